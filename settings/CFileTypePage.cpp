#include "settings/CFileTypePage.h"

#include "appmodel/IMessagePresenter.h"
#include "engine/CKV100ConfigurationInterface.h"
#include "settings/CFileTypeExtensionDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const char* const CFileTypePageNames[CFileTypePage::kGroupCount] = {
    "Text Documents", "Picture files",   "Video files", "Programs",
    "Music files",    "Temporary files", "User Defined"};

QStringList CFileTypePageList(const TStringList& list)
{
    QStringList converted;
    for (const TString& item : list)
        converted.append(QString::fromStdWString(item));
    return converted;
}

TStringList CFileTypePageList(const QStringList& list)
{
    TStringList converted;
    for (const QString& item : list)
        converted.push_back(item.toStdWString());
    return converted;
}

} // namespace

CFileTypePage::CFileTypePage(const TSettingsContext& context, QWidget* parent)
    : CSettingsPage("CFileTypePage", "File Types", u"Korvane_Settings_-_File_Types.htm"_s, context,
                    parent)
{
    auto* intro = new QLabel(
        Translate("Specify the file extensions that are associated with specific file types in "
                  "the File Types tab of the Statistics tab window."),
        this);
    intro->setWordWrap(true);
    auto* grid = new QGridLayout;
    void (CFileTypePage::*const changeSlots[kGroupCount])() = {
        &CFileTypePage::ChangeTextExt,  &CFileTypePage::ChangePictureExt,
        &CFileTypePage::ChangeVideoExt, &CFileTypePage::ChangeProgramExt,
        &CFileTypePage::ChangeMusicExt, &CFileTypePage::ChangeTempExt,
        &CFileTypePage::ChangeOtherExt};
    for (int i = 0; i < kGroupCount; ++i) {
        m_fields[i] = new QLineEdit(this);
        m_fields[i]->setReadOnly(true);
        m_change[i] = new QPushButton(Translate("Change"), this);
        grid->addWidget(new QLabel(Translate(CFileTypePageNames[i]), this), i, 0);
        grid->addWidget(m_fields[i], i, 1);
        grid->addWidget(m_change[i], i, 2);
        connect(m_change[i], &QPushButton::clicked, this, changeSlots[i]);
    }
    grid->setColumnStretch(1, 1);
    auto* restore = new QPushButton(Translate("Restore All Defaults"), this);
    connect(restore, &QPushButton::clicked, this, &CFileTypePage::RestoreAllExts);
    auto* restoreRow = new QHBoxLayout;
    restoreRow->addStretch(1);
    restoreRow->addWidget(restore);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addLayout(restoreRow);
    layout->addStretch(1);
}

HRESULT CFileTypePage::Load()
{
    CKV100ConfigurationInterface configuration(Context().agent);
    std::array<TStringList, kGroupCount> lists;
    std::array<TStringList, kGroupCount> defaults;
    HRESULT result =
        configuration.GetDefaultFileTypes(&defaults[0], &defaults[1], &defaults[2], &defaults[3],
                                          &defaults[4], &defaults[5], &defaults[6]);
    if (SUCCEEDED(result))
        for (int i = 0; i < kGroupCount; ++i)
            m_defaults[i] = CFileTypePageList(defaults[i]);
    const HRESULT inUse = configuration.GetFileTypes(&lists[0], &lists[1], &lists[2], &lists[3],
                                                     &lists[4], &lists[5], &lists[6]);
    if (SUCCEEDED(inUse))
        for (int i = 0; i < kGroupCount; ++i)
            m_groups[i] = CFileTypePageList(lists[i]);
    ShowGroups();
    return FAILED(result) ? result : inUse;
}

HRESULT CFileTypePage::Save()
{
    std::array<TStringList, kGroupCount> lists;
    for (int i = 0; i < kGroupCount; ++i)
        lists[i] = CFileTypePageList(m_groups[i]);
    const HRESULT result = CKV100ConfigurationInterface(Context().agent)
                               .SetCustomFileTypes(lists[0], lists[1], lists[2], lists[3], lists[4],
                                                   lists[5], lists[6]);
    if (FAILED(result))
        ReportSaveFailure(result);
    return result;
}

void CFileTypePage::ShowGroups()
{
    for (int i = 0; i < kGroupCount; ++i) {
        m_fields[i]->setText(m_groups[i].join(u", "_s));
        m_fields[i]->setCursorPosition(0);
        m_fields[i]->setToolTip(m_groups[i].join(u", "_s));
    }
}

void CFileTypePage::Change(TGroup group)
{
    QStringList known;
    for (const TGroups* lists : {&m_groups, &m_defaults})
        for (const QStringList& list : *lists)
            known += list;
    CFileTypeExtensionDialog dialog(Translate(CFileTypePageNames[group]), known, m_groups[group],
                                    this);
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted)
        return;
    m_groups[group] = dialog.Extensions();
    // An extension counts in one group only: one moved here leaves the others.
    for (int i = 0; i < kGroupCount; ++i)
        if (i != group)
            m_groups[i].removeIf([this, group](const QString& extension) {
                return m_groups[group].contains(extension, Qt::CaseInsensitive);
            });
    ShowGroups();
}

void CFileTypePage::ChangeTextExt()
{
    Change(kText);
}

void CFileTypePage::ChangePictureExt()
{
    Change(kPictures);
}

void CFileTypePage::ChangeVideoExt()
{
    Change(kVideo);
}

void CFileTypePage::ChangeProgramExt()
{
    Change(kPrograms);
}

void CFileTypePage::ChangeMusicExt()
{
    Change(kMusic);
}

void CFileTypePage::ChangeTempExt()
{
    Change(kTemporary);
}

void CFileTypePage::ChangeOtherExt()
{
    Change(kUserDefined);
}

void CFileTypePage::RestoreAllExts()
{
    m_groups = m_defaults;
    ShowGroups();
}
