#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"
#include "defrag/CFragDirModel.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class CDefragTreeView;
class CFragmentedFilesProxy;
class CKV100EngineInterface;
class CKV100FileBrowserInterface;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QRadioButton;

// The dialog in which the user picks the files of one volume to defragment one by one: the
// volume's tree (read through the file browser, with the engine's fragment counts) on the left,
// the list of chosen files (at most kMaxFiles) on the right. Directories are read on worker
// threads when first expanded; the wrappers are called from those threads, so they must outlive
// any read the dialog starts (the application's wrappers do).
//
// Settings: the group "Selections" of the console's settings, with the filter choice under
// "Selected Files Defrag Show All" and the tree's column widths under "Selected Files Defrag
// Columns".
class CMultiFileSelectViewer : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    static constexpr int kMaxFiles = 100;

    // Reads the directories of a volume; see CFragDirModel::TReader.
    using TReaderFactory = std::function<CFragDirModel::TReader(const TId& volume)>;

    CMultiFileSelectViewer(CKV100EngineInterface& engine, CKV100FileBrowserInterface& browser,
                           QWidget* parent = nullptr);
    ~CMultiFileSelectViewer() override;

    // The volume whose files are offered; an empty volume means there are no drives. The chosen
    // files are cleared.
    void SetVolume(const TId& volume, const TName& mountName);
    // The chosen files, full paths, in list order.
    TStringList Files() const;

    void LoadSettings();
    void SaveSettings();

    // Replaces how directories are read (by default the file browser's listing and the engine's
    // fragment counts); takes effect at the next SetVolume.
    void SetReaderFactory(TReaderFactory factory) { m_readerFactory = std::move(factory); }

    // The engine's reading of a directory: the browser's entries, with the fragment counts the
    // engine gives for the files (unknown where it gives none). Symbolic links are left out.
    static CFragDirModel::TListing ReadDirectory(CKV100EngineInterface& engine,
                                                 CKV100FileBrowserInterface& browser,
                                                 const TId& volume, const QString& directory);

public slots:
    void UpdateFileFilter(bool showAll);
    void AddSelected();
    void RemoveSelected();
    void ClearAll();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Adds files not in the list yet, up to kMaxFiles; beyond, tells the user once.
    void AddFiles(const QStringList& files);
    void OnListDoubleClicked(QListWidgetItem* item);
    void OnLoadingChanged(bool loading);
    void UpdateTexts();

    TReaderFactory m_readerFactory;
    TId m_volume;
    QString m_mountName;
    CFragDirModel* m_model;
    CFragmentedFilesProxy* m_proxy;
    CDefragTreeView* m_tree;
    QLabel* m_driveLabel;
    QRadioButton* m_fragmentedOnly;
    QRadioButton* m_showAll;
    QLabel* m_waitLabel;
    QProgressBar* m_waitBar;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_clear;
    QLabel* m_listCaption;
    QListWidget* m_list;
    QPushButton* m_defragment;
};
