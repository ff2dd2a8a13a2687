#include "defrag/COnlineDefragPage.h"

#include "appmodel/IDefragController.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefrager.h"
#include "engine/CKV100EngineInterface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The spin box's value while the engine's threshold is unknown; it shows no number then.
constexpr int kNoThreshold = -1;
constexpr int kFirstThreshold = 10;

} // namespace

COnlineDefragPage::COnlineDefragPage(const TDrivePropertiesContext& context, QWidget* parent)
    : CDiskNoteBookPage(context, "COnlineDefragPage", parent)
    , m_threshold(new QSpinBox(this))
    , m_method(new QComboBox(this))
    , m_optiwise(new QCheckBox(Translate("Enable Optiwise"), this))
    , m_ssdAdvice(
          new QLabel(Translate("<font color=red><b>It is recommended that you use the "
                               "Consolidate Free Space method for an SSD drive.</b></font>"),
                     this))
{
    m_threshold->setRange(kNoThreshold, 100);
    m_threshold->setSpecialValueText(u" "_s);
    m_threshold->setValue(kNoThreshold);
    m_method->addItem(Translate("TierLayout"), int(CDefrager::kTierLayout));
    m_method->addItem(Translate("Defrag Only"), int(CDefrager::kDefragOnly));
    m_method->addItem(Translate("Consolidate Free Space"), int(CDefrager::kConsolidateFreeSpace));
    m_ssdAdvice->setWordWrap(true);
    m_ssdAdvice->hide();
    m_optiwise->setVisible(Context().newestAgent);

    auto* settings = new QGroupBox(Translate("Defragmentation settings"), this);
    auto* explanation = new QLabel(
        Translate("Set the minimum percentage of file fragmentation (or free space fragmentation "
                  "for Consolidate Free Space pass) before Korvane will defragment the drive.  "
                  "Enter 0 if you want Korvane to always defragment the drive."),
        settings);
    explanation->setWordWrap(true);
    auto* thresholdForm = new QFormLayout;
    thresholdForm->addRow(Translate("Fragmentation %"), m_threshold);
    auto* settingsLayout = new QVBoxLayout(settings);
    settingsLayout->addWidget(explanation);
    settingsLayout->addLayout(thresholdForm);

    auto* methods = new QGroupBox(Translate("Defragmentation Method"), this);
    auto* methodForm = new QFormLayout;
    methodForm->addRow(Translate("Defragment Using:"), m_method);
    auto* optiwiseText = new QLabel(Translate("Turning on Optiwise will allow Korvane to select "
                                              "the most optimal defragmentation method based on "
                                              "the latest drive statistics."),
                                    methods);
    optiwiseText->setWordWrap(true);
    optiwiseText->setVisible(Context().newestAgent);
    auto* methodLayout = new QVBoxLayout(methods);
    methodLayout->addLayout(methodForm);
    methodLayout->addWidget(m_ssdAdvice);
    methodLayout->addWidget(m_optiwise);
    methodLayout->addWidget(optiwiseText);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(settings);
    layout->addWidget(methods);
    layout->addStretch(1);

    connect(m_threshold, &QSpinBox::valueChanged, this,
            &COnlineDefragPage::FragmentationSpinChanged);
    connect(m_method, &QComboBox::currentIndexChanged, this, &COnlineDefragPage::OnMethodSelection);
    connect(m_optiwise, &QCheckBox::toggled, m_method, &QWidget::setDisabled);
}

QString COnlineDefragPage::Label() const
{
    return Translate("Online Defragmentation");
}

QString COnlineDefragPage::HelpTopic() const
{
    return u"Drive_Properties.htm"_s;
}

HRESULT COnlineDefragPage::Load(std::wstring drive_guid)
{
    uint driveType = 0;
    if (SUCCEEDED(Engine().GetDriveType(drive_guid, &driveType)))
        m_ssd = driveType == CDefrager::kSolidStateDrive;
    m_ssdAdvice->setVisible(m_ssd);

    qint32 algorithm = CDefrager::kDriveDefaultAlgorithm;
    if (IDefragController* controller = Context().controller;
        controller && SUCCEEDED(controller->GetDefaultAlgorithm(drive_guid, algorithm))) {
        const int index = m_method->findData(algorithm);
        if (index >= 0)
            m_method->setCurrentIndex(index);
    }

    uint threshold = 0;
    const HRESULT result = Engine().GetFragmentationThreshold(drive_guid, &threshold);
    if (SUCCEEDED(result)) {
        m_thresholdUnset = false;
        m_threshold->setValue(int(std::min<uint>(threshold, 100)));
    }

    if (Context().newestAgent) {
        bool enabled = false;
        if (SUCCEEDED(Engine().GetOptiwise(drive_guid, &enabled)))
            m_optiwise->setChecked(enabled);
    }
    return result;
}

HRESULT COnlineDefragPage::Save(std::wstring drive_guid)
{
    if (!m_threshold->cleanText().trimmed().isEmpty() && m_threshold->value() >= 0) {
        const HRESULT written =
            Engine().SetFragmentationThreshold(drive_guid, uint(m_threshold->value()));
        if (FAILED(written))
            return written;
    }
    CDefrager& model = Feed().Model();
    if (IDefragController* controller = Context().controller;
        controller && model.Selection().size() == 1)
        controller->SetDefaultAlgorithm(drive_guid, m_method->currentData().toInt());
    if (Context().newestAgent) {
        const HRESULT written = Engine().SetOptiwise(drive_guid, m_optiwise->isChecked());
        if (FAILED(written))
            return written;
    }
    emit model.Refresh();
    return S_OK;
}

bool COnlineDefragPage::Verify()
{
    return false;
}

void COnlineDefragPage::FragmentationSpinChanged(int value)
{
    // Stepping away from the empty text starts at the usual threshold rather than at 0.
    if (m_thresholdUnset && value != kNoThreshold) {
        m_thresholdUnset = false;
        m_threshold->setValue(kFirstThreshold);
        return;
    }
    m_thresholdUnset = value == kNoThreshold;
}

void COnlineDefragPage::OnMethodSelection(int index)
{
    // The advice stays beside the method box of an SSD whatever is chosen.
    Q_UNUSED(index);
    m_ssdAdvice->setVisible(m_ssd);
}
