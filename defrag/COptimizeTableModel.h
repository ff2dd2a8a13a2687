#pragma once

#include "core/CTranslatable.h"
#include "core/HResult.h"
#include "core/Types.h"
#include "defrag/CDefrager.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <functional>
#include <optional>
#include <vector>

class CDefragFeed;

// The drive table's rows: one per volume of the drive model, in the model's order. The table
// keeps only the volume identifiers of its rows (taken at each reset, so that a notice finds its
// row by binary search); every cell reads the drive model when it is asked for. A row whose
// volume has left the drive model since the last reset is empty and only selectable.
class COptimizeTableModel : public QAbstractTableModel, public CTranslatable {
    Q_OBJECT

public:
    enum TColumn : int {
        kNameColumn = 0,
        kDriveTypeColumn,
        kFileSystemColumn,
        kStatusColumn,
        kLastDefragmentedColumn,
        kNextRunColumn,
        kBootTimeColumn,
        kSizeColumn,
        kFragmentedColumn,
        kColumnCount,
    };

    // The sort key of a volume that has not been analysed: after every percentage.
    static constexpr double kUnanalysedSortKey = 1000.0;

    // Asks whether a disk check is scheduled on the volume before boot-time defragmentation
    // is requested.
    using TDiskCheckQuery = std::function<HRESULT(const TId& volume, bool* scheduled)>;

    COptimizeTableModel(CDefragFeed& feed, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The volume of a row; empty beyond the rows.
    TId VolumeAt(int row) const;
    // The row of a volume; -1 when the table has none for it.
    int RowOf(const TId& volume) const;

    // ":/images/drive…_busy.png" or "…_idle.png" by drive type and status.
    static QString DriveImagePath(quint32 driveType, quint32 status);
    static QIcon DriveImage(quint32 driveType, quint32 status);

    // Replaces the engine's answer to the disk-check question; an empty query restores it.
    void SetDiskCheckQuery(TDiskCheckQuery query);

signals:
    void BeforeResetModel();
    void AfterResetModel();

public slots:
    // The set of volumes changed: every row is made again.
    void OnModelUpdated();
    void OnStatusChanged(const TId& id);
    void OnFragmentationChanged(const TId& volume_id, double fragmentation);
    void OnHDTypeChanged(const TId& volume_id);
    void OnBusyStateChanged(TBusyStatus status);
    void UpdateFromModel(quint32 update_hints = 0);

private:
    CDefrager& Model() const;
    QVariant DisplayData(const CDefrager::TVolumeInfo& volume, int column) const;
    QVariant SortKey(const CDefrager::TVolumeInfo& volume, int column) const;
    QVariant EditData(const CDefrager::TVolumeInfo& volume, int column) const;
    void RefreshRow(const TId& volume);
    void RefreshCell(int row, int column, const QList<int>& roles);
    void RefreshAllRows();
    void RebuildRows();
    bool ToggleBootTime(const CDefrager::TVolumeInfo& volume);

    CDefragFeed& m_feed;
    // The volume of each row, in the drive model's (ascending) order.
    std::vector<TId> m_rows;
    // The busy state last refreshed for; every row shows it only through its status.
    std::optional<TBusyStatus> m_lastBusyState;
    TDiskCheckQuery m_diskCheckQuery;
};
