#pragma once

#include "core/CTranslatable.h"
#include "defrag/CDirectoryTreeModelBase.h"

#include <QDialog>
#include <QString>

class CKV100FileBrowserInterface;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeView;

// The modal chooser of one file on a volume of the connected computer: the volume's folders and
// files, read through the file browser when a folder is first expanded. OK is offered while a
// file (not a folder) is chosen; double-clicking a file chooses it and closes the dialog.
class CSelectRemoteFileDialog : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    // The browser must outlive every read the dialog starts (the application's does).
    explicit CSelectRemoteFileDialog(CKV100FileBrowserInterface& browser,
                                     QWidget* parent = nullptr);
    ~CSelectRemoteFileDialog() override;

    // Shows the volume mounted at mountName; reads through the browser unless a reader is given.
    void SetVolume(const QString& mountName, CDirectoryTreeModelBase::TReader reader = {});
    // The chosen file's full path; empty while a folder or nothing is chosen.
    QString SelectedFile() const { return m_selected; }
    // Chooses a file by its path, as a click on its row would; the tree need not hold it yet.
    void SetSelectedFile(const QString& path);

    CDirectoryTreeModelBase& Model() const { return *m_model; }
    QTreeView& Tree() const { return *m_tree; }

private:
    void OnCurrentChanged(const QModelIndex& current);
    void OnActivated(const QModelIndex& index);
    void OnLoadingChanged(bool loading);

    CKV100FileBrowserInterface& m_browser;
    CDirectoryTreeModelBase* m_model;
    QTreeView* m_tree;
    QLabel* m_pathLabel;
    QLabel* m_waitLabel;
    QProgressBar* m_waitBar;
    QPushButton* m_ok;
    QString m_selected;
};
