#include "settings/CPowerPage.h"

#include "engine/CKV100ConfigurationInterface.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CPowerPage::CPowerPage(const TSettingsContext& context, QWidget* parent)
    : CSettingsPage("CPowerPage", "Power Options", u"Korvane_Settings_-_Power_Options.htm"_s,
                    context, parent)
    , m_stopOnBattery(
          new QCheckBox(Translate("Stop current defragmentation passes while on battery power")))
    , m_noStartOnBattery(
          new QCheckBox(Translate("Do not start a defragmentation pass while on battery power")))
{
    auto* text = new QLabel(
        Translate("Specify how Korvane will behave while your computer is on battery power."));
    text->setWordWrap(true);
    m_stopOnBattery->setObjectName(u"stopOnBattery"_s);
    m_noStartOnBattery->setObjectName(u"noStartOnBattery"_s);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_stopOnBattery);
    layout->addWidget(m_noStartOnBattery);
    layout->addStretch(1);
}

HRESULT CPowerPage::Load()
{
    bool stop = false;
    bool noStart = false;
    const HRESULT result = CKV100ConfigurationInterface(Context().agent).GetPower(&stop, &noStart);
    if (SUCCEEDED(result)) {
        m_stopOnBattery->setChecked(stop);
        m_noStartOnBattery->setChecked(noStart);
    }
    return result;
}

HRESULT CPowerPage::Save()
{
    const HRESULT result =
        CKV100ConfigurationInterface(Context().agent)
            .SetPower(m_stopOnBattery->isChecked(), m_noStartOnBattery->isChecked());
    if (FAILED(result))
        ReportSaveFailure(result);
    return result;
}
