#pragma once

#include "settings/CSettingsPage.h"

#include <QStringList>

#include <array>

class QLineEdit;
class QPushButton;

// The extensions of the seven file-type groups the statistics' "File Types" tab counts by. The
// engine keeps factory lists and the user's; the page shows those in use, edits them one group
// at a time and writes all seven as the user's.
class CFileTypePage : public CSettingsPage {
    Q_OBJECT

public:
    enum TGroup { kText, kPictures, kVideo, kPrograms, kMusic, kTemporary, kUserDefined };
    static constexpr int kGroupCount = 7;
    using TGroups = std::array<QStringList, kGroupCount>;

    explicit CFileTypePage(const TSettingsContext& context, QWidget* parent = nullptr);

    HRESULT Save() override;

    const TGroups& Groups() const { return m_groups; }
    QLineEdit& GroupField(TGroup group) const { return *m_fields[group]; }
    QPushButton& ChangeButton(TGroup group) const { return *m_change[group]; }

public slots:
    void ChangeTextExt();
    void ChangePictureExt();
    void ChangeVideoExt();
    void ChangeProgramExt();
    void ChangeMusicExt();
    void ChangeTempExt();
    void ChangeOtherExt();
    void RestoreAllExts();

protected:
    HRESULT Load() override;

private:
    void Change(TGroup group);
    void ShowGroups();

    TGroups m_groups;
    TGroups m_defaults;
    std::array<QLineEdit*, kGroupCount> m_fields;
    std::array<QPushButton*, kGroupCount> m_change;
};
