#include "schedule/CScreenAutoMethodPage.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Clears every button of an exclusive group.
void ClearGroup(QButtonGroup& group)
{
    group.setExclusive(false);
    for (QAbstractButton* button : group.buttons())
        button->setChecked(false);
    group.setExclusive(true);
}

} // namespace

CScreenAutoMethodPage::CScreenAutoMethodPage(QWidget* parent)
    : CWirePageBase("CScreenAutoMethodPage", parent)
    , m_driveSettings(new QRadioButton(Translate("Use Settings from Drive Properties notebook")))
    , m_defragmentUsing(new QRadioButton(Translate("Defragment Using")))
    , m_source(new QButtonGroup(this))
    , m_placement(new QButtonGroup(this))
{
    auto* group = new QGroupBox(Translate("Defragmentation File Placement Strategy"), this);
    m_source->addButton(m_driveSettings, CCadence::kMethodDriveDefault);
    m_source->addButton(m_defragmentUsing);
    auto* placements = new QVBoxLayout;
    placements->setContentsMargins(24, 0, 0, 0);
    const std::pair<CCadence::TScheduleMethod, const char*> choices[] = {
        {CCadence::kMethodTierLayout, "TierLayout (recommended)"},
        {CCadence::kMethodDefragOnly, "Defragment Only"},
        {CCadence::kMethodConsolidateFreeSpace, "Consolidate Free Space"},
    };
    for (const auto& [method, text] : choices) {
        auto* button = new QRadioButton(Translate(text));
        m_placement->addButton(button, int(method));
        placements->addWidget(button);
    }
    auto* inside = new QVBoxLayout(group);
    inside->addWidget(m_driveSettings);
    inside->addWidget(m_defragmentUsing);
    inside->addLayout(placements);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);

    m_driveSettings->setChecked(true);
    m_placement->button(CCadence::kMethodTierLayout)->setChecked(true);
    UpdateEnabled();
    for (QButtonGroup* buttons : {m_source, m_placement})
        connect(buttons, &QButtonGroup::buttonToggled, this,
                [this](QAbstractButton*, bool checked) {
                    if (!checked)
                        return;
                    UpdateEnabled();
                    emit Changed();
                });
}

QString CScreenAutoMethodPage::Title() const
{
    return Translate("Defrag Method");
}

QString CScreenAutoMethodPage::Summary() const
{
    switch (Method()) {
    case CCadence::kMethodDriveDefault:
        return Translate("Default");
    case CCadence::kMethodTierLayout:
        return Translate("TierLayout");
    case CCadence::kMethodDefragOnly:
        return Translate("Defrag");
    case CCadence::kMethodConsolidateFreeSpace:
        return Translate("CFS");
    default:
        return QString();
    }
}

int CScreenAutoMethodPage::Method() const
{
    if (m_driveSettings->isChecked())
        return CCadence::kMethodDriveDefault;
    return m_defragmentUsing->isChecked() ? m_placement->checkedId() : -1;
}

void CScreenAutoMethodPage::SetMethod(quint32 method)
{
    if (method == CCadence::kMethodDriveDefault) {
        m_driveSettings->setChecked(true);
    } else if (QAbstractButton* placement = m_placement->button(int(method))) {
        m_defragmentUsing->setChecked(true);
        placement->setChecked(true);
    }
}

QRadioButton* CScreenAutoMethodPage::PlacementButton(int method) const
{
    return qobject_cast<QRadioButton*>(m_placement->button(method));
}

void CScreenAutoMethodPage::Load(const TWireRecord& record)
{
    const quint32 method = WireSettings(record).method;
    if (method == CCadence::kMethodDriveDefault || m_placement->button(int(method)) != nullptr) {
        SetMethod(method);
    } else {
        // Neither choice is the record's: nothing is on until the user picks one.
        ClearGroup(*m_source);
        ClearGroup(*m_placement);
    }
    UpdateEnabled();
    emit Changed();
}

void CScreenAutoMethodPage::Store(TWireRecord* record) const
{
    const int method = Method();
    if (method >= 0)
        WireSettings(*record).method = quint32(method);
}

QString CScreenAutoMethodPage::Validate() const
{
    return QString();
}

QWidget* CScreenAutoMethodPage::FirstField() const
{
    return m_defragmentUsing->isChecked() ? m_defragmentUsing : m_driveSettings;
}

void CScreenAutoMethodPage::UpdateEnabled()
{
    const bool chosen = m_defragmentUsing->isChecked();
    for (QAbstractButton* button : m_placement->buttons())
        button->setEnabled(chosen);
    // Placing files without a way chosen (after a method the page does not offer): the
    // recommended one.
    if (chosen && m_placement->checkedId() < 0)
        m_placement->button(CCadence::kMethodTierLayout)->setChecked(true);
}
