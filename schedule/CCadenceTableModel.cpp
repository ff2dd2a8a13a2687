#include "schedule/CCadenceTableModel.h"

#include "core/COleDate.h"

#include <QHash>
#include <QIcon>
#include <QLocale>

#include <iterator>

namespace {

// A date before this one is no run at all.
constexpr double kFirstRunDate = 1.0;

// The icons decoded once: the view asks for them on every repaint of a row.
QIcon ScheduleIcon(const QString& path)
{
    static QHash<QString, QIcon> icons;
    auto found = icons.find(path);
    if (found == icons.end())
        found = icons.insert(path, QIcon(path));
    return *found;
}

template <typename TMap>
const typename TMap::value_type* EntryAt(const TMap& map, int row)
{
    if (row < 0 || std::size_t(row) >= map.size())
        return nullptr;
    return &*std::next(map.begin(), row);
}

} // namespace

CCadenceTableModel::CCadenceTableModel(const CCadence& cadence, QObject* parent)
    : QAbstractTableModel(parent)
    , CTranslatable(CCadence::ProductContext())
    , m_cadence(cadence)
{}

int CCadenceTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return int(m_cadence.ScheduleCount() + m_cadence.ExScheduleCount() +
               m_cadence.VmScheduleCount());
}

int CCadenceTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

namespace {

// A schedule the agent could not describe has no type, and shows none.
template <typename TRecord>
QString ShownType(const TRecord& record)
{
    return record.settings.type == CCadence::kNotSet ? QString() : record.TypeText();
}

} // namespace

std::optional<CCadenceTableModel::TRowView> CCadenceTableModel::RowView(int row) const
{
    TRowView view;
    int local = row;
    if (const auto* entry = EntryAt(m_cadence.Schedules(), local)) {
        const CCadence::CScheduleData& record = entry->second;
        view = {kDriveKind,           &entry->first,     &record.settings,
                record.DisplayName(), ShownType(record), record.IconName()};
        return view;
    }
    local -= int(m_cadence.ScheduleCount());
    if (const auto* entry = EntryAt(m_cadence.ExSchedules(), local)) {
        const CCadence::CExScheduleData& record = entry->second;
        view = {kExchangeKind,        &entry->first,     &record.settings,
                record.DisplayName(), ShownType(record), record.IconName()};
        return view;
    }
    local -= int(m_cadence.ExScheduleCount());
    if (const auto* entry = EntryAt(m_cadence.VmSchedules(), local)) {
        const CCadence::CVmScheduleData& record = entry->second;
        view = {kGuestKind,           &entry->first,     &record.settings,
                record.DisplayName(), ShownType(record), record.IconName()};
        return view;
    }
    return std::nullopt;
}

QString CCadenceTableModel::RunText(double date)
{
    if (date < kFirstRunDate)
        return QString();
    return QLocale().toString(COleDate::ToDateTime(date), QLocale::ShortFormat);
}

QVariant CCadenceTableModel::DisplayData(const TRowView& view, int column) const
{
    const CScheduleSettings& settings = *view.settings;
    const bool special = IsSpecialSchedule(settings.type);
    switch (column) {
    case kNameColumn:
        return view.displayName;
    case kTypeColumn:
        return view.typeText;
    case kLastRunColumn:
        return special ? QString() : RunText(settings.lastRun);
    case kNextRunColumn:
        return special || settings.disabled ? QString() : RunText(settings.nextRun);
    case kDisabledColumn:
        return settings.disabled ? Translate("Yes").Text() : Translate("No").Text();
    default:
        return QVariant();
    }
}

QVariant CCadenceTableModel::SortData(const TRowView& view, int column) const
{
    switch (column) {
    case kLastRunColumn:
    case kNextRunColumn: {
        // Dates sort by their value; an empty cell before every date.
        const QString text = DisplayData(view, column).toString();
        if (text.isEmpty())
            return 0.0;
        return column == kLastRunColumn ? view.settings->lastRun : view.settings->nextRun;
    }
    default:
        return DisplayData(view, column);
    }
}

QVariant CCadenceTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const std::optional<TRowView> view = RowView(index.row());
    if (!view)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return DisplayData(*view, index.column());
    case Qt::DecorationRole:
        if (index.column() == kNameColumn)
            return ScheduleIcon(view->iconName);
        return QVariant();
    case kNameRole:
        return QString::fromStdWString(*view->name);
    case kSortRole:
        return SortData(*view, index.column());
    default:
        return QVariant();
    }
}

QVariant CCadenceTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case kNameColumn:
        return Translate("Name").Text();
    case kTypeColumn:
        return Translate("Type").Text();
    case kLastRunColumn:
        return Translate("Last Run").Text();
    case kNextRunColumn:
        return Translate("Next Run").Text();
    case kDisabledColumn:
        return Translate("Disabled").Text();
    default:
        return QVariant();
    }
}

bool CCadenceTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    // The name column takes the role the views use to mark a row; nothing is stored.
    constexpr int kMarkRole = 10;
    if (index.isValid() && index.column() == kNameColumn && role == kMarkRole)
        return true;
    return QAbstractTableModel::setData(index, value, role);
}

std::optional<TName> CCadenceTableModel::NameAt(int row) const
{
    const std::optional<TRowView> view = RowView(row);
    if (!view)
        return std::nullopt;
    return *view->name;
}

std::optional<CCadenceTableModel::TKind> CCadenceTableModel::KindAt(int row) const
{
    const std::optional<TRowView> view = RowView(row);
    if (!view)
        return std::nullopt;
    return view->kind;
}

int CCadenceTableModel::RowOf(const TName& name) const
{
    int base = 0;
    auto find = [&](const auto& map) -> int {
        const auto found = map.find(name);
        if (found != map.end())
            return base + int(std::distance(map.begin(), found));
        base += int(map.size());
        return -1;
    };
    int row = find(m_cadence.Schedules());
    if (row < 0)
        row = find(m_cadence.ExSchedules());
    if (row < 0)
        row = find(m_cadence.VmSchedules());
    return row;
}

void CCadenceTableModel::Reset()
{
    beginResetModel();
    endResetModel();
}
