#include "settings/CCadencePage.h"

#include "engine/CKV100ComputerInterface.h"
#include "engine/CKV100ConfigurationInterface.h"
#include "settings/CSettingsTransaction.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

QSpinBox* CCadencePagePercent(const QString& name)
{
    auto* box = new QSpinBox;
    box->setRange(0, 100);
    box->setObjectName(name);
    return box;
}

QLineEdit* CCadencePageDiskIo(const QString& name, int minimum, QObject* owner)
{
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setValidator(new QIntValidator(minimum, std::numeric_limits<int>::max(), owner));
    return field;
}

} // namespace

CCadencePage::CCadencePage(const TSettingsContext& context, QWidget* parent)
    : CSettingsPage("CCadencePage", "Cadence", u"Korvane_Settings_-_Cadence_Schedule.htm"_s,
                    context, parent)
    , m_missed(new QButtonGroup(this))
    , m_standby(new QButtonGroup(this))
    , m_automatic(new QRadioButton(Translate("Automatically adjust CPU and IO thresholds")))
    , m_advanced(new QRadioButton(Translate("Use the following settings (advanced)")))
    , m_kernelCpu(CCadencePagePercent(u"kernelCpu"_s))
    , m_userCpu(CCadencePagePercent(u"userCpu"_s))
    , m_diskIo(CCadencePageDiskIo(u"diskIo"_s, kMinDiskIo, this))
    , m_hostKernelCpu(CCadencePagePercent(u"hostKernelCpu"_s))
    , m_hostUserCpu(CCadencePagePercent(u"hostUserCpu"_s))
    , m_hostDiskIo(CCadencePageDiskIo(u"hostDiskIo"_s, kMinHostDiskIo, this))
{
    auto* text = new QLabel(Translate("Specify how Korvane should handle missed schedules."));
    text->setWordWrap(true);

    // The button ids are the agent's values: missed schedules 0 run, 1 rescheduled; standby
    // 1 wakes the computer.
    auto* missed = new QGroupBox(Translate("Computer off when scheduled"));
    auto* missedLayout = new QVBoxLayout(missed);
    auto* runMissed = new QRadioButton(Translate("Run missed schedules when computer restarts."));
    auto* reschedule = new QRadioButton(
        Translate("Re-schedule defragmentation passes when missed. One time schedules will not be "
                  "rescheduled"));
    runMissed->setObjectName(u"runMissed"_s);
    reschedule->setObjectName(u"rescheduleMissed"_s);
    m_missed->addButton(runMissed, 0);
    m_missed->addButton(reschedule, 1);
    runMissed->setChecked(true);
    missedLayout->addWidget(runMissed);
    missedLayout->addWidget(reschedule);

    auto* standby = new QGroupBox(Translate("Computer in standby when scheduled to run"));
    auto* standbyLayout = new QVBoxLayout(standby);
    auto* wake = new QRadioButton(
        Translate("Wake computers from standby to run a scheduled defragmentation pass."));
    auto* noWake = new QRadioButton(
        Translate("Do not wake computers from standby to run a scheduled defragmentation pass."));
    wake->setObjectName(u"wake"_s);
    noWake->setObjectName(u"noWake"_s);
    m_standby->addButton(wake, 1);
    m_standby->addButton(noWake, 0);
    noWake->setChecked(true);
    standbyLayout->addWidget(wake);
    standbyLayout->addWidget(noWake);

    auto* quietWatch = new QGroupBox(Translate("QuietWatch automatic defragmentation mode"));
    auto* quietWatchLayout = new QVBoxLayout(quietWatch);
    m_automatic->setObjectName(u"automaticThresholds"_s);
    m_advanced->setObjectName(u"advancedThresholds"_s);
    m_automatic->setChecked(true);
    auto* fields = new QFormLayout;
    fields->addRow(Translate("Kernel mode CPU (%)"), m_kernelCpu);
    fields->addRow(Translate("User mode CPU (%)"), m_userCpu);
    fields->addRow(Translate("Disk IO (Bytes/sec)"), m_diskIo);
    if (Context().virtualGuest) {
        fields->addRow(Translate("Host Kernel mode CPU (%)"), m_hostKernelCpu);
        fields->addRow(Translate("Host User mode CPU (%)"), m_hostUserCpu);
        fields->addRow(Translate("Host Disk IO (Bytes/sec)"), m_hostDiskIo);
    } else {
        // Kept out of the page; their values are written back as they were read.
        m_hostKernelCpu->setParent(this);
        m_hostUserCpu->setParent(this);
        m_hostDiskIo->setParent(this);
        m_hostKernelCpu->hide();
        m_hostUserCpu->hide();
        m_hostDiskIo->hide();
    }
    quietWatchLayout->addWidget(m_automatic);
    quietWatchLayout->addWidget(m_advanced);
    quietWatchLayout->addLayout(fields);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(missed);
    layout->addWidget(standby);
    layout->addWidget(quietWatch);
    layout->addStretch(1);

    connect(m_automatic, &QRadioButton::toggled, this, &CCadencePage::EnableThresholds);
    EnableThresholds();
}

void CCadencePage::EnableThresholds()
{
    const bool advanced = !m_automatic->isChecked();
    for (QWidget* field :
         {static_cast<QWidget*>(m_kernelCpu), static_cast<QWidget*>(m_userCpu),
          static_cast<QWidget*>(m_diskIo), static_cast<QWidget*>(m_hostKernelCpu),
          static_cast<QWidget*>(m_hostUserCpu), static_cast<QWidget*>(m_hostDiskIo)})
        field->setEnabled(advanced);
}

HRESULT CCadencePage::Load()
{
    uint missed = 0;
    bool wake = false;
    HRESULT failure = CKV100ConfigurationInterface(Context().agent).GetCadence(&missed, &wake);
    if (SUCCEEDED(failure) && m_missed->button(int(missed))) {
        m_loadedCadence = std::make_pair(missed, wake);
        m_missed->button(int(missed))->setChecked(true);
        m_standby->button(wake ? 1 : 0)->setChecked(true);
    }
    TThresholds t;
    const HRESULT thresholds =
        CKV100ComputerInterface(Context().agent)
            .GetQuietWatchThresholds(&t.automatic, &t.kernelCpu, &t.userCpu, &t.diskIo,
                                     &t.hostKernelCpu, &t.hostUserCpu, &t.hostDiskIo);
    if (SUCCEEDED(thresholds)) {
        m_loadedThresholds = t;
        (t.automatic ? m_automatic : m_advanced)->setChecked(true);
        m_kernelCpu->setValue(int(std::min(t.kernelCpu, 100u)));
        m_userCpu->setValue(int(std::min(t.userCpu, 100u)));
        m_diskIo->setText(QString::number(t.diskIo));
        m_hostKernelCpu->setValue(int(std::min(t.hostKernelCpu, 100u)));
        m_hostUserCpu->setValue(int(std::min(t.hostUserCpu, 100u)));
        m_hostDiskIo->setText(QString::number(t.hostDiskIo));
    } else if (SUCCEEDED(failure)) {
        failure = thresholds;
    }
    EnableThresholds();
    return failure;
}

CCadencePage::TThresholds CCadencePage::Entered() const
{
    const TThresholds before = m_loadedThresholds.value_or(TThresholds{});
    TThresholds t;
    t.automatic = m_automatic->isChecked();
    t.kernelCpu = uint(m_kernelCpu->value());
    t.userCpu = uint(m_userCpu->value());
    // While automatic the fields may hold anything; what was read is kept then.
    t.diskIo = m_diskIo->hasAcceptableInput() ? m_diskIo->text().toUInt() : before.diskIo;
    if (Context().virtualGuest) {
        t.hostKernelCpu = uint(m_hostKernelCpu->value());
        t.hostUserCpu = uint(m_hostUserCpu->value());
        t.hostDiskIo =
            m_hostDiskIo->hasAcceptableInput() ? m_hostDiskIo->text().toUInt() : before.hostDiskIo;
    } else {
        t.hostKernelCpu = before.hostKernelCpu;
        t.hostUserCpu = before.hostUserCpu;
        t.hostDiskIo = before.hostDiskIo;
    }
    return t;
}

bool CCadencePage::Verify()
{
    if (m_automatic->isChecked())
        return true;
    if (!m_diskIo->hasAcceptableInput())
        return RefuseValue(Translate("Disk IO (Bytes/sec)"),
                           Translate("The disk IO threshold must be at least %1 bytes per second.")
                               .Arg(kMinDiskIo));
    if (Context().virtualGuest && !m_hostDiskIo->hasAcceptableInput())
        return RefuseValue(
            Translate("Host Disk IO (Bytes/sec)"),
            Translate("The host disk IO threshold must be at least %1 bytes per second.")
                .Arg(kMinHostDiskIo));
    return true;
}

HRESULT CCadencePage::Save()
{
    CKV100ConfigurationInterface configuration(Context().agent);
    CKV100ComputerInterface computer(Context().agent);
    const uint missed = uint(m_missed->checkedId());
    const bool wake = m_standby->checkedId() == 1;
    const TThresholds t = Entered();
    const auto before = m_loadedCadence;

    CSettingsTransaction transaction;
    transaction.Write([&] { return configuration.SetCadence(missed, wake); },
                      before ? CSettingsTransaction::TCall([&] {
                          return configuration.SetCadence(before->first, before->second);
                      })
                             : CSettingsTransaction::TCall());
    transaction.Write(
        [&] {
            return computer.SetQuietWatchThresholds(t.automatic, t.kernelCpu, t.userCpu, t.diskIo,
                                                    t.hostKernelCpu, t.hostUserCpu, t.hostDiskIo);
        },
        CSettingsTransaction::TCall());
    if (FAILED(transaction.Result())) {
        ReportSaveFailure(transaction.Result());
        return transaction.Result();
    }
    m_loadedCadence = std::make_pair(missed, wake);
    m_loadedThresholds = t;
    return S_OK;
}
