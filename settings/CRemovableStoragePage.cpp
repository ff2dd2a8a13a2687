#include "settings/CRemovableStoragePage.h"

#include "engine/CKV100ConfigurationInterface.h"
#include "settings/CSettingsTransaction.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

using CRemovableStoragePageGet = HRESULT (CKV100ConfigurationInterface::*)(bool*);
using CRemovableStoragePageSet = HRESULT (CKV100ConfigurationInterface::*)(bool);

// The four values in the order of the check boxes.
constexpr CRemovableStoragePageGet CRemovableStoragePageGetters[] = {
    &CKV100ConfigurationInterface::GetAllowExternalDrives,
    &CKV100ConfigurationInterface::GetAllowFlashDrives,
    &CKV100ConfigurationInterface::GetAllowSsdDrives,
    &CKV100ConfigurationInterface::GetExcludeHibernationFile,
};
constexpr CRemovableStoragePageSet CRemovableStoragePageSetters[] = {
    &CKV100ConfigurationInterface::SetAllowExternalDrives,
    &CKV100ConfigurationInterface::SetAllowFlashDrives,
    &CKV100ConfigurationInterface::SetAllowSsdDrives,
    &CKV100ConfigurationInterface::SetExcludeHibernationFile,
};

} // namespace

CRemovableStoragePage::CRemovableStoragePage(const TSettingsContext& context, QWidget* parent)
    : CSettingsPage("CRemovableStoragePage", "Drive Settings",
                    u"Korvane_Settings_-_Removable_Storage.htm"_s, context, parent)
    , m_external(
          new QCheckBox(Translate("Allow defragmenting of USB and Firewire connected Hard Drives")))
    , m_flash(new QCheckBox(Translate("Allow defragmenting of Flash Drives")))
    , m_ssd(new QCheckBox(Translate("Allow defragmenting of SSD Drives")))
    , m_hibernation(
          new QCheckBox(Translate("Exclude the hibernation file from boot time defragmentation")))
{
    auto* text = new QLabel(Translate("Specify overall defragmentation settings."));
    text->setWordWrap(true);
    m_external->setObjectName(u"allowExternal"_s);
    m_flash->setObjectName(u"allowFlash"_s);
    m_ssd->setObjectName(u"allowSsd"_s);
    m_hibernation->setObjectName(u"excludeHibernation"_s);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    for (QCheckBox* box : {m_external, m_flash, m_ssd, m_hibernation})
        layout->addWidget(box);
    layout->addStretch(1);
}

HRESULT CRemovableStoragePage::Load()
{
    CKV100ConfigurationInterface configuration(Context().agent);
    QCheckBox* const boxes[] = {m_external, m_flash, m_ssd, m_hibernation};
    HRESULT failure = S_OK;
    for (int index = 0; index < 4; ++index) {
        bool value = false;
        const HRESULT result = (configuration.*CRemovableStoragePageGetters[index])(&value);
        if (FAILED(result)) {
            failure = SUCCEEDED(failure) ? result : failure;
            continue;
        }
        m_loaded[index] = value;
        boxes[index]->setChecked(value);
    }
    return failure;
}

HRESULT CRemovableStoragePage::Save()
{
    CKV100ConfigurationInterface configuration(Context().agent);
    const QCheckBox* const boxes[] = {m_external, m_flash, m_ssd, m_hibernation};
    CSettingsTransaction transaction;
    for (int index = 0; index < 4; ++index) {
        const CRemovableStoragePageSet set = CRemovableStoragePageSetters[index];
        const bool value = boxes[index]->isChecked();
        const std::optional<bool> before = m_loaded[index];
        transaction.Write([&configuration, set, value] { return (configuration.*set)(value); },
                          before ? CSettingsTransaction::TCall([&configuration, set, before] {
                              return (configuration.*set)(*before);
                          })
                                 : CSettingsTransaction::TCall());
    }
    if (FAILED(transaction.Result())) {
        ReportSaveFailure(transaction.Result());
        return transaction.Result();
    }
    for (int index = 0; index < 4; ++index)
        m_loaded[index] = boxes[index]->isChecked();
    return S_OK;
}
