#include "defrag/COptimizeTableModel.h"

#include "appmodel/IAppController.h"
#include "appmodel/IDefragController.h"
#include "appmodel/IMessagePresenter.h"
#include "core/CTextFormat.h"
#include "defrag/CDefragFeed.h"
#include "engine/CKV100EngineInterface.h"
#include "policy/CClientGP.h"

#include <QHash>
#include <QIcon>

#include <algorithm>
#include <cmath>

namespace {

// A volume without a mount point is named by its device path.
const std::wstring kDevicePathPrefix = L"\\\\?\\";

const char* const kHeaders[COptimizeTableModel::kColumnCount] = {
    "Name",     "Drive Type", "File System", "Status",    "Last Defragmented",
    "Next Run", "Boot Time",  "Size",        "Fragmented"};

bool IsRightAligned(int column)
{
    return column == COptimizeTableModel::kSizeColumn ||
           column == COptimizeTableModel::kFragmentedColumn;
}

QVariant Alignment(int column)
{
    return QVariant::fromValue(Qt::Alignment(
        (IsRightAligned(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
}

bool IsInteger(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

} // namespace

COptimizeTableModel::COptimizeTableModel(CDefragFeed& feed, QObject* parent)
    : QAbstractTableModel(parent)
    , CTranslatable("COptimizeTableModel")
    , m_feed(feed)
{
    RebuildRows();
    const CDefrager* model = &Model();
    connect(&m_feed, &CDefragFeed::DefragModelUpdated, this, &COptimizeTableModel::OnModelUpdated);
    connect(model, &CDefrager::StatusChanged, this, &COptimizeTableModel::OnStatusChanged);
    connect(model, &CDefrager::FragmentationChanged, this,
            &COptimizeTableModel::OnFragmentationChanged);
    connect(model, &CDefrager::BusyStateChanged, this, &COptimizeTableModel::OnBusyStateChanged);
    connect(model, &CDefrager::HDTypeChanged, this, &COptimizeTableModel::OnHDTypeChanged);
}

CDefrager& COptimizeTableModel::Model() const
{
    return m_feed.Model();
}

int COptimizeTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int COptimizeTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

TId COptimizeTableModel::VolumeAt(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return {};
    return m_rows[static_cast<std::size_t>(row)];
}

int COptimizeTableModel::RowOf(const TId& volume) const
{
    const auto found = std::lower_bound(m_rows.begin(), m_rows.end(), volume);
    if (found == m_rows.end() || *found != volume)
        return -1;
    return static_cast<int>(found - m_rows.begin());
}

QString COptimizeTableModel::DriveImagePath(quint32 driveType, quint32 status)
{
    const char* stem = "drive";
    switch (driveType) {
    case CDefrager::kExternalDisk:
        stem = "drive_usb";
        break;
    case CDefrager::kFlashDrive:
        stem = "drive_flash";
        break;
    case CDefrager::kSolidStateDrive:
        stem = "drive_ssd";
        break;
    default:
        break;
    }
    return QStringLiteral(":/images/%1%2")
        .arg(QLatin1String(stem), CDefrager::IsRunningStatus(status) ? QLatin1String("_busy.png")
                                                                     : QLatin1String("_idle.png"));
}

QIcon COptimizeTableModel::DriveImage(quint32 driveType, quint32 status)
{
    // Decoded once: the view asks for the image on every repaint of a row.
    static QHash<QString, QIcon> images;
    const QString path = DriveImagePath(driveType, status);
    auto found = images.find(path);
    if (found == images.end())
        found = images.insert(path, QIcon(path));
    return *found;
}

QVariant COptimizeTableModel::DisplayData(const CDefrager::TVolumeInfo& volume, int column) const
{
    switch (column) {
    case kNameColumn:
        if (volume.mountName.starts_with(kDevicePathPrefix))
            return Translate("(Unmounted volume) %1").Arg(volume.label).Text();
        return Translate("(%1) %2").Arg(volume.mountName).Arg(volume.label).Text();
    case kDriveTypeColumn:
        return CDefrager::DriveTypeText(volume.driveType, TranslationContext());
    case kFileSystemColumn:
        return QString::fromStdWString(volume.fileSystem);
    case kStatusColumn:
        return CDefrager::StatusText(volume.status, volume.completionPercent.value_or(0.0),
                                     TranslationContext());
    case kLastDefragmentedColumn:
        return CTextFormat::LocaleDateTimeText(volume.lastDefragmented);
    case kNextRunColumn:
        return QString();
    case kSizeColumn: {
        const CTextFormat::TScaledSize size = CTextFormat::ScaleMegabytes(volume.sizeMegabytes);
        return Translate(size.unitTemplate).Arg(size.number).Text();
    }
    case kFragmentedColumn:
        if (!volume.fragmentation)
            return QString();
        return CTextFormat::FragmentationText(*volume.fragmentation);
    default:
        return {};
    }
}

QVariant COptimizeTableModel::SortKey(const CDefrager::TVolumeInfo& volume, int column) const
{
    switch (column) {
    case kNameColumn:
        return DisplayData(volume, column);
    case kFileSystemColumn:
        return QString::fromStdWString(volume.fileSystem);
    case kStatusColumn:
        return volume.status;
    case kLastDefragmentedColumn:
        return volume.lastDefragmented;
    case kNextRunColumn:
        return QString::fromStdWString(volume.nextRunName);
    case kBootTimeColumn:
        return static_cast<int>(volume.atBootStatus);
    case kSizeColumn:
        return volume.sizeMegabytes;
    case kFragmentedColumn:
        return volume.fragmentation.value_or(kUnanalysedSortKey);
    default:
        return {};
    }
}

QVariant COptimizeTableModel::EditData(const CDefrager::TVolumeInfo& volume, int column) const
{
    switch (column) {
    case kNameColumn:
        return QString::fromStdWString(volume.volumeId);
    case kFileSystemColumn:
        return QString::fromStdWString(volume.fileSystem);
    case kStatusColumn:
        return volume.status;
    case kLastDefragmentedColumn:
        return DisplayData(volume, column);
    case kNextRunColumn:
        return volume.nextRunKind;
    case kSizeColumn:
        return volume.sizeMegabytes;
    default:
        return {};
    }
}

QVariant COptimizeTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= kColumnCount)
        return {};
    const TId volumeId = VolumeAt(index.row());
    const CDefrager::TVolumeInfo* volume =
        volumeId.empty() ? nullptr : Model().FindVolume(volumeId);
    if (!volume)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return DisplayData(*volume, column);
    case Qt::UserRole:
        return SortKey(*volume, column);
    case Qt::EditRole:
        return EditData(*volume, column);
    case Qt::DecorationRole:
        if (column != kNameColumn)
            return {};
        return DriveImage(volume->driveType, volume->status);
    case Qt::TextAlignmentRole:
        return Alignment(column);
    case Qt::CheckStateRole:
        if (column != kBootTimeColumn || !Model().CanDefragmentSystemFiles(volumeId))
            return {};
        return volume->atBootStatus > 0 ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

QVariant COptimizeTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return Translate(kHeaders[section]).Text();
    if (role == Qt::TextAlignmentRole)
        return Alignment(section);
    return {};
}

Qt::ItemFlags COptimizeTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const TId volumeId = VolumeAt(index.row());
    const CDefrager::TVolumeInfo* volume =
        volumeId.empty() ? nullptr : Model().FindVolume(volumeId);
    if (!volume || volume->blocked)
        return Qt::ItemIsSelectable;
    if (index.column() == kBootTimeColumn) {
        if (!Model().CanDefragmentSystemFiles(volumeId))
            return Qt::ItemIsSelectable;
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable;
    }
    if (index.column() == kNextRunColumn)
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

bool COptimizeTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid())
        return false;
    const TId volumeId = VolumeAt(index.row());
    const CDefrager::TVolumeInfo* volume =
        volumeId.empty() ? nullptr : Model().FindVolume(volumeId);
    if (!volume || volume->blocked)
        return false;
    // The next run is changed only in the scheduling tab; the cell's editor hands back its item.
    if (index.column() == kNextRunColumn && role == Qt::EditRole)
        return IsInteger(value);
    if (index.column() != kBootTimeColumn || role != Qt::CheckStateRole ||
        !Model().CanDefragmentSystemFiles(volumeId))
        return false;
    if (!ToggleBootTime(*volume))
        return false;
    RefreshRow(volumeId);
    return true;
}

bool COptimizeTableModel::ToggleBootTime(const CDefrager::TVolumeInfo& volume)
{
    IAppController* app = IAppController::Current();
    if (!app || !app->Policy().AllowOfflineDefrag())
        return false;
    // A click on a volume scheduled in any way turns it on for the next restart, not off.
    const qint32 wanted = volume.atBootStatus != CDefrager::kAtBootNextRestart
                              ? CDefrager::kAtBootNextRestart
                              : CDefrager::kAtBootOff;
    if (wanted == CDefrager::kAtBootNextRestart) {
        bool scheduled = false;
        const HRESULT asked = m_diskCheckQuery
                                  ? m_diskCheckQuery(volume.volumeId, &scheduled)
                                  : m_feed.Engine().IsChkdskScheduled(volume.volumeId, &scheduled);
        if (SUCCEEDED(asked) && scheduled) {
            IMessagePresenter::TMessage question;
            question.icon = QMessageBox::Question;
            question.title = QStringLiteral("Korvane");
            question.text =
                Translate("Chkdsk is scheduled. Do you still want to schedule Boot time defrag?")
                    .Text();
            question.buttons = QMessageBox::Yes | QMessageBox::No;
            question.defaultButton = QMessageBox::No;
            if (IMessagePresenter::Instance().ShowMessage(question) != QMessageBox::Yes)
                return false;
        }
    }
    // The volume may have gone while the question was open.
    if (!Model().Contains(volume.volumeId))
        return false;
    if (IDefragController* controller = app->DefragController())
        controller->SetBootTime(volume.volumeId, wanted);
    return true;
}

void COptimizeTableModel::SetDiskCheckQuery(TDiskCheckQuery query)
{
    m_diskCheckQuery = std::move(query);
}

void COptimizeTableModel::RebuildRows()
{
    m_rows.clear();
    m_rows.reserve(Model().Count());
    for (const auto& entry : Model())
        m_rows.push_back(entry.first);
}

void COptimizeTableModel::OnModelUpdated()
{
    emit BeforeResetModel();
    beginResetModel();
    RebuildRows();
    m_lastBusyState.reset();
    endResetModel();
    emit AfterResetModel();
}

void COptimizeTableModel::RefreshRow(const TId& volume)
{
    const int row = RowOf(volume);
    if (row < 0)
        return;
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

void COptimizeTableModel::RefreshAllRows()
{
    if (m_rows.empty())
        return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

void COptimizeTableModel::RefreshCell(int row, int column, const QList<int>& roles)
{
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell, roles);
}

void COptimizeTableModel::OnStatusChanged(const TId& id)
{
    // The status shows in its own cell and in the name's image, running or idle. Naming the
    // roles lets the sort proxy leave the row where it is unless its sort key changed.
    const int row = RowOf(id);
    if (row < 0)
        return;
    RefreshCell(row, kNameColumn, {Qt::DecorationRole});
    RefreshCell(row, kStatusColumn, {Qt::DisplayRole, Qt::EditRole, Qt::UserRole});
}

void COptimizeTableModel::OnFragmentationChanged(const TId& volume_id, double fragmentation)
{
    Q_UNUSED(fragmentation); // read from the drive model when the cell is drawn
    const int row = RowOf(volume_id);
    if (row >= 0)
        RefreshCell(row, kFragmentedColumn, {Qt::DisplayRole, Qt::UserRole});
}

void COptimizeTableModel::OnHDTypeChanged(const TId& volume_id)
{
    RefreshRow(volume_id);
}

void COptimizeTableModel::OnBusyStateChanged(TBusyStatus status)
{
    // The drive model sends the busy state after every status change, together with the
    // volume's own StatusChanged; only a change of the state itself is worth a full refresh.
    if (m_lastBusyState == status)
        return;
    m_lastBusyState = status;
    RefreshAllRows();
}

void COptimizeTableModel::UpdateFromModel(quint32 update_hints)
{
    Q_UNUSED(update_hints); // every hint refreshes every row
    RefreshAllRows();
}
