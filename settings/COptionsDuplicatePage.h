#pragma once

#include "settings/CSettingsPage.h"

#include <QList>
#include <QStringList>

class QPushButton;
class QTableWidget;

// The folders the duplicates search leaves out, each with whether its subfolders are left out
// too, kept by the agent's filter object.
class COptionsDuplicatePage : public CSettingsPage {
    Q_OBJECT

public:
    enum TColumn { kNameColumn, kSubfoldersColumn };

    explicit COptionsDuplicatePage(const TSettingsContext& context, QWidget* parent = nullptr);

    HRESULT Save() override;

    // The table's entries, in its order.
    QStringList Folders() const;
    QList<bool> Subfolders() const;
    QTableWidget& Table() const { return *m_table; }

public slots:
    // Asks for a folder and adds it; one already listed only takes the new subfolder choice.
    void AddFolder();
    void RemoveSelected();
    void RemoveAll();
    void RestoreDefaults();

protected:
    HRESULT Load() override;

private:
    void SetEntries(const QStringList& folders, const QList<bool>& subfolders);
    void AddEntry(const QString& folder, bool subfolders);
    void UpdateButtons();

    QTableWidget* m_table;
    QPushButton* m_remove;
    QPushButton* m_removeAll;
    QStringList m_defaultFolders;
    QList<bool> m_defaultSubfolders;
};
