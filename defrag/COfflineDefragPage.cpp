#include "defrag/COfflineDefragPage.h"

#include "appmodel/IMessagePresenter.h"
#include "engine/CKV100EngineInterface.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

Qt::CheckState StateOf(uint kinds, uint mask)
{
    const uint set = kinds & mask;
    if (set == 0)
        return Qt::Unchecked;
    return set == mask ? Qt::Checked : Qt::PartiallyChecked;
}

uint Apply(uint kinds, uint mask, Qt::CheckState state)
{
    switch (state) {
    case Qt::Checked:
        return kinds | mask;
    case Qt::Unchecked:
        return kinds & ~mask;
    case Qt::PartiallyChecked:
        break;
    }
    return kinds;
}

// A partly checked box becomes a two-state one once the user clicks it.
void MakeTwoStateOnClick(QCheckBox* box)
{
    QObject::connect(box, &QCheckBox::clicked, box, [box] { box->setTristate(false); });
}

} // namespace

COfflineDefragPage::COfflineDefragPage(const TDrivePropertiesContext& context, QWidget* parent)
    : CDiskNoteBookPage(context, "COfflineDefragPage", parent)
    , m_metadata(new QCheckBox(Translate("Master File Table, Metadata, Hibernate file"), this))
    , m_pagingFile(new QCheckBox(Translate("Paging File"), this))
    , m_everyReboot(
          new QCheckBox(Translate("Defragment the selected system files on EVERY reboot"), this))
{
    auto* group = new QGroupBox(Translate("Offline defragmentation settings"), this);
    auto* info = new QLabel(Translate("Some files can only be defragmented when the drive is not "
                                      "being used by Windows."),
                            group);
    info->setWordWrap(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(info);
    groupLayout->addWidget(m_metadata);
    groupLayout->addWidget(m_pagingFile);
    groupLayout->addSpacing(8);
    groupLayout->addWidget(m_everyReboot);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);
    MakeTwoStateOnClick(m_metadata);
    MakeTwoStateOnClick(m_pagingFile);
}

QString COfflineDefragPage::Label() const
{
    return Translate("Offline Defragmentation");
}

QString COfflineDefragPage::HelpTopic() const
{
    return u"Drive_Properties_-_Offline_Defragmentation.htm"_s;
}

uint COfflineDefragPage::Merge(uint kinds, Qt::CheckState metadata, Qt::CheckState pagingFile)
{
    return Apply(Apply(kinds, kMetadataKinds, metadata), kPagingFileKinds, pagingFile);
}

HRESULT COfflineDefragPage::Load(std::wstring drive_guid)
{
    uint kinds = 0;
    bool everyReboot = false;
    const HRESULT result = Engine().GetBootTimeSettings(drive_guid, &kinds, &everyReboot);
    if (FAILED(result))
        return result;
    m_metadata->setCheckState(StateOf(kinds, kMetadataKinds));
    m_pagingFile->setCheckState(StateOf(kinds, kPagingFileKinds));
    m_everyReboot->setChecked(everyReboot);
    return result;
}

HRESULT COfflineDefragPage::Save(std::wstring drive_guid)
{
    uint kinds = 0;
    bool everyReboot = false;
    const HRESULT read = Engine().GetBootTimeSettings(drive_guid, &kinds, &everyReboot);
    if (FAILED(read))
        return read;
    kinds = Merge(kinds, m_metadata->checkState(), m_pagingFile->checkState());
    if (m_everyReboot->isChecked() && (kinds & (kMetadataKinds | kPagingFileKinds)) == 0) {
        IMessagePresenter::Show(QMessageBox::Warning, Translate("Offline defragmentation settings"),
                                Translate("Please select file types for offline defragmentation"),
                                QMessageBox::Ok, this);
        return S_FALSE;
    }
    return Engine().SetBootTimeSettings(drive_guid, kinds, m_everyReboot->isChecked());
}

bool COfflineDefragPage::Verify()
{
    return false;
}
