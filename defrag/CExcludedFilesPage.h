#pragma once

#include "defrag/CDiskNoteBookPage.h"

#include <QDialog>

class CExcludedTreeModel;
class QTreeView;

// The files the online pass leaves in place, checked in a tree of the volume that is read from
// the connected computer as folders are expanded.
class CExcludedFilesPage : public CDiskNoteBookPage {
    Q_OBJECT

public:
    explicit CExcludedFilesPage(const TDrivePropertiesContext& context, QWidget* parent = nullptr);

    QString Label() const override;
    QString HelpTopic() const override;

    CExcludedTreeModel& Model() const { return *m_model; }
    QTreeView& Tree() const { return *m_tree; }
    // The user changed a check since the page was loaded.
    bool IsChanged() const { return m_changed; }

public slots:
    HRESULT Load(std::wstring drive_guid) override;
    // Writes the checked paths when the user changed any.
    HRESULT Save(std::wstring drive_guid) override;
    bool Verify() override;
    void ResizeTree();

private slots:
    void DataChanged();
    void TreeItemExpanded(const QModelIndex& index);
    void TreeItemCollapse(const QModelIndex& index);
    void OnDirectoryFailed(const QString& directory, HRESULT result);

private:
    CExcludedTreeModel* m_model;
    QTreeView* m_tree;
    bool m_changed = false;
};

// A chooser of any number of files and folders of a volume of the connected computer, checked
// in the tree the excluded-files page shows.
class CSelectRemoteFileBrowserExDialog : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    explicit CSelectRemoteFileBrowserExDialog(QWidget* parent = nullptr);

    void SetVolume(const QString& mountName, CDirectoryTreeModelBase::TReader reader);
    void SetCheckedPaths(const QStringList& paths);
    QStringList CheckedPaths() const;
    CExcludedTreeModel& Model() const { return *m_model; }

private:
    CExcludedTreeModel* m_model;
    QTreeView* m_tree;
};
