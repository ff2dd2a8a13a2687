#include "schedule/CDefragMethodPage.h"

#include "schedule/CWizardButtonGroup.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Offline option bits: "s" (the file system's own files) and "p" (paging files). Bit 0 ("d")
// is not offered here.
constexpr quint32 kOfflineSystemFiles = 2;
constexpr quint32 kOfflinePagingFiles = 4;
constexpr quint32 kOfflineOffered = kOfflineSystemFiles | kOfflinePagingFiles;
// Free-space option bits.
constexpr quint32 kFreeSpaceRecycleBin = 1;
constexpr quint32 kFreeSpaceTemporaryFiles = 2;
constexpr quint32 kFreeSpaceOffered = kFreeSpaceRecycleBin | kFreeSpaceTemporaryFiles;
constexpr quint32 kPassesOffered = CCadence::kOnlinePass | CCadence::kOfflinePass;

void SetBit(quint32* bits, quint32 bit, bool on)
{
    *bits = on ? (*bits | bit) : (*bits & ~bit);
}

} // namespace

CDefragMethodPage::CDefragMethodPage(QWidget* parent)
    : CWirePageBase("CDefragMethodPage", parent)
    , m_online(new QGroupBox(Translate("Defragment Files"), this))
    , m_driveDefault(
          new QRadioButton(Translate("Use Settings from Drive Properties notebook"), m_online))
    , m_override(new QRadioButton(Translate("Override drive properties Settings"), m_online))
    , m_methods(new QButtonGroup(this))
    , m_offline(new QGroupBox(Translate("Offline Defragmentation of system files"), this))
    , m_pagingFiles(new QCheckBox(Translate("Paging Files"), m_offline))
    , m_systemFiles(
          new QCheckBox(Translate("Master File Tables, Metadata, Hibernate files"), m_offline))
    , m_reclaim(new QGroupBox(Translate("Reclaim Free Space before defragmentation"), this))
    , m_recycleBin(new QCheckBox(Translate("Empty Recycle Bin"), m_reclaim))
    , m_temporaryFiles(new QCheckBox(Translate("Clean Temporary Files"), m_reclaim))
{
    m_online->setObjectName(QStringLiteral("onlineGroup"));
    m_offline->setObjectName(QStringLiteral("offlineGroup"));
    m_reclaim->setObjectName(QStringLiteral("reclaimGroup"));
    for (QGroupBox* group : {m_online, m_offline, m_reclaim})
        group->setCheckable(true);

    auto* usage = new QButtonGroup(this);
    usage->addButton(m_driveDefault);
    usage->addButton(m_override);
    auto* onlineLayout = new QVBoxLayout(m_online);
    onlineLayout->addWidget(m_driveDefault);
    onlineLayout->addWidget(m_override);
    onlineLayout->addWidget(new QLabel(Translate("Defragment Using"), m_online));
    const std::pair<const char*, int> methods[] = {
        {"TierLayout (recommended)", CCadence::kMethodTierLayout},
        {"Defragment Only", CCadence::kMethodDefragOnly},
        {"Consolidate Free Space", CCadence::kMethodConsolidateFreeSpace},
    };
    auto* methodLayout = new QVBoxLayout;
    methodLayout->setContentsMargins(20, 0, 0, 0);
    onlineLayout->addLayout(methodLayout);
    for (const auto& [text, method] : methods) {
        auto* button = new QRadioButton(Translate(text), m_online);
        m_methods->addButton(button, method);
        methodLayout->addWidget(button);
    }

    auto* offlineLayout = new QVBoxLayout(m_offline);
    offlineLayout->addWidget(m_pagingFiles);
    offlineLayout->addWidget(m_systemFiles);
    auto* reclaimLayout = new QVBoxLayout(m_reclaim);
    reclaimLayout->addWidget(m_recycleBin);
    reclaimLayout->addWidget(m_temporaryFiles);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_online);
    layout->addWidget(m_offline);
    layout->addWidget(m_reclaim);
    layout->addStretch(1);

    connect(m_online, &QGroupBox::toggled, this, [this](bool online) {
        emit OnlineSelected(online);
        emit Changed();
    });
    connect(m_override, &QRadioButton::toggled, this, [this] {
        UpdateMethodButtons();
        emit Changed();
    });
    connect(m_methods, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            emit Changed();
    });
    for (QGroupBox* group : {m_offline, m_reclaim})
        connect(group, &QGroupBox::toggled, this, &CWirePageBase::Changed);
    for (QCheckBox* box : {m_pagingFiles, m_systemFiles, m_recycleBin, m_temporaryFiles})
        connect(box, &QCheckBox::toggled, this, &CWirePageBase::Changed);

    m_online->setChecked(true);
    m_driveDefault->setChecked(true);
    m_methods->button(CCadence::kMethodTierLayout)->setChecked(true);
    m_offline->setChecked(false);
    m_reclaim->setChecked(false);
    UpdateMethodButtons();
}

QString CDefragMethodPage::Title() const
{
    return Translate("Defrag Method");
}

QAbstractButton* CDefragMethodPage::MethodButton(quint32 method) const
{
    return method <= CCadence::kMethodConsolidateFreeSpace ? m_methods->button(int(method))
                                                           : nullptr;
}

void CDefragMethodPage::UpdateMethodButtons()
{
    for (QAbstractButton* button : m_methods->buttons())
        button->setEnabled(m_override->isChecked());
}

quint32 CDefragMethodPage::Method() const
{
    if (m_driveDefault->isChecked())
        return CCadence::kMethodDriveDefault;
    const int checked = m_methods->checkedId();
    return checked >= 0 ? quint32(checked) : m_loadedMethod;
}

QString CDefragMethodPage::Summary() const
{
    QStringList words;
    if (m_online->isChecked()) {
        switch (Method()) {
        case CCadence::kMethodDriveDefault:
            words << Translate("Default");
            break;
        case CCadence::kMethodTierLayout:
            words << Translate("TierLayout");
            break;
        case CCadence::kMethodDefragOnly:
            words << Translate("Defrag");
            break;
        case CCadence::kMethodConsolidateFreeSpace:
            words << Translate("CFS");
            break;
        default:
            break;
        }
    }
    if (m_offline->isChecked())
        words << Translate("Offline");
    return words.join(QStringLiteral(", "));
}

void CDefragMethodPage::Load(const TWireRecord& record)
{
    const CScheduleSettings& settings = WireSettings(record);
    m_loadedMethod = settings.method;
    m_otherPasses = settings.passes & ~kPassesOffered;
    m_otherOfflineOptions = settings.offlineOptions & ~kOfflineOffered;
    m_otherFreeSpaceOptions = settings.freeSpaceOptions & ~kFreeSpaceOffered;
    {
        const QSignalBlocker blocker(this);
        m_online->setChecked((settings.passes & CCadence::kOnlinePass) != 0);
        if (settings.method == CCadence::kMethodDriveDefault) {
            m_driveDefault->setChecked(true);
        } else {
            m_override->setChecked(true);
            CheckGroupButton(m_methods, int(std::min<quint32>(settings.method, 3)));
        }
        m_offline->setChecked((settings.passes & CCadence::kOfflinePass) != 0);
        m_pagingFiles->setChecked((settings.offlineOptions & kOfflinePagingFiles) != 0);
        m_systemFiles->setChecked((settings.offlineOptions & kOfflineSystemFiles) != 0);
        m_reclaim->setChecked(settings.freeSpaceConsolidation);
        m_recycleBin->setChecked((settings.freeSpaceOptions & kFreeSpaceRecycleBin) != 0);
        m_temporaryFiles->setChecked((settings.freeSpaceOptions & kFreeSpaceTemporaryFiles) != 0);
    }
    UpdateMethodButtons();
    emit OnlineSelected(m_online->isChecked());
    emit Changed();
}

void CDefragMethodPage::Store(TWireRecord* record) const
{
    CScheduleSettings& settings = WireSettings(*record);
    settings.passes = m_otherPasses;
    SetBit(&settings.passes, CCadence::kOnlinePass, m_online->isChecked());
    SetBit(&settings.passes, CCadence::kOfflinePass, m_offline->isChecked());
    settings.method = Method();
    settings.offlineOptions = 0;
    if (m_offline->isChecked()) {
        settings.offlineOptions = m_otherOfflineOptions;
        SetBit(&settings.offlineOptions, kOfflinePagingFiles, m_pagingFiles->isChecked());
        SetBit(&settings.offlineOptions, kOfflineSystemFiles, m_systemFiles->isChecked());
    }
    settings.freeSpaceConsolidation = m_reclaim->isChecked();
    settings.freeSpaceOptions = 0;
    if (m_reclaim->isChecked()) {
        settings.freeSpaceOptions = m_otherFreeSpaceOptions;
        SetBit(&settings.freeSpaceOptions, kFreeSpaceRecycleBin, m_recycleBin->isChecked());
        SetBit(&settings.freeSpaceOptions, kFreeSpaceTemporaryFiles, m_temporaryFiles->isChecked());
    }
}

QString CDefragMethodPage::Validate() const
{
    if (!m_online->isChecked() && !m_offline->isChecked())
        return Translate("You must select at least one defragmentation setting");
    if (m_reclaim->isChecked() && !m_recycleBin->isChecked() && !m_temporaryFiles->isChecked())
        return Translate("You must select locations to reclaim free space from");
    return {};
}

QWidget* CDefragMethodPage::FirstField() const
{
    return m_online;
}
