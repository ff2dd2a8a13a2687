#pragma once

#include "core/CTranslatable.h"
#include "core/HResult.h"
#include "defrag/CBlockFilesModelBuilder.h"

#include <QAbstractTableModel>

// The files of one drive-map block, filled by its builder batch by batch. The display role gives
// the texts; kSortRole the values the columns sort by (name and folder texts, excess fragments
// as an int, bytes as a qlonglong); kPathRole the file's full path.
class CBlockFilesModel : public QAbstractTableModel, public CTranslatable {
    Q_OBJECT

public:
    enum TColumn { kNameColumn = 0, kFolderColumn, kExcessColumn, kSpaceColumn, kColumnCount };
    enum TRole { kSortRole = Qt::UserRole + 1, kPathRole };

    // Lists through the engine wrapper (see CBlockFilesModelBuilder for its lifetime).
    explicit CBlockFilesModel(CKV100EngineInterface& engine, QObject* parent = nullptr);
    CBlockFilesModel(CBlockFilesModelBuilder::TFetch fetch, QObject* parent = nullptr);

    // Empties the list and lists the block; a build under way ends first.
    void Build(const TId& volume, int block);
    // Ends a build under way; the rows listed so far stay.
    void Stop();
    bool IsBuilding() const { return m_builder->IsRunning(); }
    // How the last build that ended by itself went.
    HRESULT Result() const { return m_builder->Result(); }
    CBlockFilesModelBuilder& Builder() const { return *m_builder; }

    const TBlockFile& File(int row) const { return m_rows.at(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

public slots:
    // The build ended, whichever way.
    void OnFinish();

signals:
    void Started();
    void Finished();
    void Progress(int progress);

private:
    void Wire();
    void OnStarted();
    void Append(const TBlockFileList& rows);

    CBlockFilesModelBuilder* m_builder;
    TBlockFileList m_rows;
};
