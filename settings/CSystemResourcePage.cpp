#include "settings/CSystemResourcePage.h"

#include "engine/CKV100ConfigurationInterface.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CSystemResourcePage::CSystemResourcePage(const TSettingsContext& context, QWidget* parent)
    : CSettingsPage("CSystemResourcePage", "System Resource Priority",
                    u"Korvane_Settings_-_System_Resource_Priority.htm"_s, context, parent)
{
    auto* intro = new QLabel(Translate("Modify Korvane CPU and I/O priorities: lower priorities "
                                       "leave more of the computer to other programs while "
                                       "Korvane defragments, higher ones finish passes sooner."),
                             this);
    intro->setWordWrap(true);

    auto* cpuGroup = new QGroupBox(Translate("CPU Priority"), this);
    auto* cpuLayout = new QHBoxLayout(cpuGroup);
    const char* const priorities[kPriorityCount] = {"Below normal", "Normal", "Above normal"};
    for (uint i = 0; i < kPriorityCount; ++i) {
        m_cpu[i] = new QRadioButton(Translate(priorities[i]), cpuGroup);
        cpuLayout->addWidget(m_cpu[i]);
    }
    cpuLayout->addStretch(1);

    auto* ioGroup = new QGroupBox(Translate("Disk I/O"), this);
    auto* ioLayout = new QVBoxLayout(ioGroup);
    auto* ioText = new QLabel(
        Translate("Monitor and throttle Korvane as necessary to minimize the effect of "
                  "defragmenting on other disk I/O \nintensive processes. This may result in "
                  "longer defragmentation passes."),
        ioGroup);
    // The text carries its own line break; wrapping as well would break "I/O" apart.
    ioText->setWordWrap(false);
    m_throttleOn = new QRadioButton(Translate("On"), ioGroup);
    m_throttleOff = new QRadioButton(Translate("Off"), ioGroup);
    auto* ioButtons = new QHBoxLayout;
    ioButtons->addWidget(m_throttleOn);
    ioButtons->addWidget(m_throttleOff);
    ioButtons->addStretch(1);
    ioLayout->addWidget(ioText);
    ioLayout->addLayout(ioButtons);

    auto* vssGroup =
        new QGroupBox(Translate("Volume Shadow Copy Service (VSS) defragmentation"), this);
    auto* vssLayout = new QVBoxLayout(vssGroup);
    vssLayout->addWidget(new QLabel(
        Translate("Specify how Korvane should defragment a volume that has a shadow copy"),
        vssGroup));
    const char* const modes[kVssModeCount] = {
        "Do not defragment/stop if any shadow copies exist",
        "Defragment in VSS compatible mode to minimize snapshot/restore point purges",
        "Defragment normally"};
    m_threshold = new QSpinBox(vssGroup);
    m_threshold->setRange(0, 100);
    for (uint i = 0; i < kVssModeCount; ++i) {
        m_vss[i] = new QRadioButton(Translate(modes[i]), vssGroup);
        vssLayout->addWidget(m_vss[i]);
        if (i == kVssCompatible) {
            auto* thresholdRow = new QHBoxLayout;
            thresholdRow->addSpacing(24);
            thresholdRow->addWidget(m_threshold);
            thresholdRow->addWidget(new QLabel(Translate("% of disk"), vssGroup));
            thresholdRow->addStretch(1);
            vssLayout->addLayout(thresholdRow);
            connect(m_vss[i], &QRadioButton::clicked, this, &CSystemResourcePage::EnableThreshold);
        } else {
            connect(m_vss[i], &QRadioButton::clicked, this, &CSystemResourcePage::DisableThreshold);
        }
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(cpuGroup);
    layout->addWidget(ioGroup);
    layout->addWidget(vssGroup);
    layout->addStretch(1);

    // The defaults a failed read leaves: those of a fresh installation.
    m_cpu[0]->setChecked(true);
    m_throttleOn->setChecked(true);
    m_vss[kVssCompatible]->setChecked(true);
    m_threshold->setValue(10);
}

void CSystemResourcePage::EnableThreshold()
{
    m_threshold->setEnabled(true);
}

void CSystemResourcePage::DisableThreshold()
{
    m_threshold->setEnabled(false);
}

uint CSystemResourcePage::CheckedIndex(QRadioButton* const* buttons, uint count) const
{
    for (uint i = 0; i < count; ++i)
        if (buttons[i]->isChecked())
            return i;
    return 0;
}

HRESULT CSystemResourcePage::Load()
{
    CKV100ConfigurationInterface configuration(Context().agent);
    uint priority = 0;
    bool throttling = true;
    uint mode = kVssCompatible;
    uint threshold = 0;
    HRESULT result = configuration.GetCpuPriority(&priority);
    if (SUCCEEDED(result) && priority < kPriorityCount)
        m_cpu[priority]->setChecked(true);
    HRESULT step = configuration.GetIoThrottling(&throttling);
    if (SUCCEEDED(step))
        (throttling ? m_throttleOn : m_throttleOff)->setChecked(true);
    result = FAILED(result) ? result : step;
    step = configuration.GetVssMode(&mode);
    if (SUCCEEDED(step) && mode < kVssModeCount)
        m_vss[mode]->setChecked(true);
    result = FAILED(result) ? result : step;
    step = configuration.GetVssThreshold(&threshold);
    if (SUCCEEDED(step))
        m_threshold->setValue(int(qMin(threshold, 100u)));
    result = FAILED(result) ? result : step;
    m_vss[kVssCompatible]->isChecked() ? EnableThreshold() : DisableThreshold();
    return result;
}

HRESULT CSystemResourcePage::Save()
{
    CKV100ConfigurationInterface configuration(Context().agent);
    HRESULT result = configuration.SetCpuPriority(CheckedIndex(m_cpu, kPriorityCount));
    if (SUCCEEDED(result))
        result = configuration.SetIoThrottling(m_throttleOn->isChecked());
    if (SUCCEEDED(result))
        result = configuration.SetVssMode(CheckedIndex(m_vss, kVssModeCount));
    if (SUCCEEDED(result))
        result = configuration.SetVssThreshold(uint(m_threshold->value()));
    if (FAILED(result))
        ReportSaveFailure(result);
    return result;
}
