#pragma once

#include "core/CTranslatable.h"

#include <QDialog>
#include <QString>

class CDirectoryTreeModelBase;
class CKV100AgentInterface;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeView;

// The chooser of one folder to leave out of the duplicates search: the folders of the connected
// computer's volumes, read through the agent as they are expanded, or a folder typed in (a name
// ending in "\" stands for that folder at the root of every volume), and whether its subfolders
// are left out too.
class CDuplicateExclusionDialog : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    // The agent must outlive every read the dialog starts (the application's does).
    explicit CDuplicateExclusionDialog(CKV100AgentInterface* agent, QWidget* parent = nullptr);

    QString Folder() const;
    bool Subfolders() const;

    QComboBox& Volumes() const { return *m_volumes; }
    QTreeView& Tree() const { return *m_tree; }
    CDirectoryTreeModelBase& Model() const { return *m_model; }
    QLineEdit& FolderField() const { return *m_folder; }
    QCheckBox& SubfoldersBox() const { return *m_subfolders; }

private:
    void ShowVolume(int index);
    void OnCurrentChanged();
    void UpdateOk();

    CKV100AgentInterface* m_agent;
    CDirectoryTreeModelBase* m_model;
    QComboBox* m_volumes;
    QTreeView* m_tree;
    QLineEdit* m_folder;
    QCheckBox* m_subfolders;
    QPushButton* m_ok;
};
