#include "settings/CLogViewDlgTableModel.h"

#include "core/CWideText.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QLocale>
#include <QStyle>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The console's error event type.
constexpr qint32 kLogViewModelErrorType = 1;

const QColor kLogViewModelHighlight(0xB0, 0x10, 0x10);

} // namespace

CLogViewDlgTableModel::CLogViewDlgTableModel(QObject* parent)
    : QAbstractTableModel(parent)
    , CTranslatable("CLogViewDlgTableModel")
{
    if (QStyle* style = QApplication::style()) {
        m_collapsedIcon = style->standardIcon(QStyle::SP_ArrowRight);
        m_expandedIcon = style->standardIcon(QStyle::SP_ArrowDown);
    }
}

bool CLogViewDlgTableModel::IsHighlighted(const CStatisticsHistory::CLogPoint& entry)
{
    return entry.eventType == kLogViewModelErrorType;
}

QStringList CLogViewDlgTableModel::MessageLines(const TString& message)
{
    QStringList lines;
    const QString text = CWideText::ToQString(message);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text.at(i) != u'\n' && text.at(i) != u'\r')
            continue;
        const QString line = text.mid(start, i - start).trimmed();
        if (lines.isEmpty() || !line.isEmpty())
            lines.append(line);
        start = i + 1;
    }
    return lines;
}

void CLogViewDlgTableModel::SetEntries(QList<CStatisticsHistory::CLogPoint> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    m_entryRows.clear();
    m_rows.clear();
    m_entryRows.reserve(m_entries.size());
    m_rows.reserve(m_entries.size());
    for (int entry = 0; entry < m_entries.size(); ++entry) {
        TEntryRows rows;
        rows.row = static_cast<int>(m_rows.size());
        rows.lines = MessageLines(m_entries[entry].message);
        m_rows.append({entry, 0});
        // Beyond the bound the last shown row stands for the lines left out.
        const int further = static_cast<int>(rows.lines.size()) - 1;
        const int shown = std::min(further, kMaxAdditionalRows);
        for (int line = 1; line <= shown; ++line) {
            rows.additionalRows.append(static_cast<int>(m_rows.size()));
            m_rows.append({entry, line});
        }
        m_entryRows.append(std::move(rows));
    }
    endResetModel();
}

QList<int> CLogViewDlgTableModel::AdditionalRows(int row) const
{
    return IsEntryRow(row) ? m_entryRows[m_rows[row].entry].additionalRows : QList<int>();
}

bool CLogViewDlgTableModel::IsEntryRow(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows[row].line == 0;
}

bool CLogViewDlgTableModel::IsExpanded(int row) const
{
    return IsEntryRow(row) && m_entryRows[m_rows[row].entry].expanded;
}

void CLogViewDlgTableModel::SetExpanded(int row, bool expanded)
{
    if (!IsEntryRow(row))
        return;
    m_entryRows[m_rows[row].entry].expanded = expanded;
    const QModelIndex cell = index(row, kDetails);
    emit dataChanged(cell, cell, {Qt::DecorationRole});
}

QString CLogViewDlgTableModel::DateText(int entry) const
{
    const CDateTime& time = m_entries[entry].logTime;
    const QDateTime dateTime = time.ToDateTime();
    // A date no calendar holds is shown as the engine gave it.
    if (!dateTime.isValid())
        return QString::number(time.Value(), 'g', 17);
    const QLocale locale = QLocale::system();
    return locale.toString(dateTime.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(dateTime.time(), u"HH:mm:ss"_s);
}

QStringList CLogViewDlgTableModel::Cells(int entry, int line) const
{
    const QString& text = m_entryRows[entry].lines[line];
    if (line > 0)
        return {QString(), QString(), QString(), text};
    const CStatisticsHistory::CLogPoint& point = m_entries[entry];
    return {DateText(entry), CWideText::ToQString(point.source),
            Translate("%1").Arg(point.eventId).Text(), text};
}

QString CLogViewDlgTableModel::Shown(const QString& text) const
{
    if (text.size() <= kMaxShownLength)
        return text;
    qsizetype kept = kMaxShownLength;
    if (text.at(kept - 1).isHighSurrogate())
        --kept;
    return Translate("%1 ... (%2 more characters)")
        .Arg(text.left(kept))
        .Arg(static_cast<long long>(text.size() - kept))
        .Text();
}

QString CLogViewDlgTableModel::CellText(const TRow& row, int column) const
{
    const TEntryRows& rows = m_entryRows[row.entry];
    const int further = static_cast<int>(rows.lines.size()) - 1;
    if (row.line == kMaxAdditionalRows && further > kMaxAdditionalRows)
        return column == kDetails
                   ? Translate("... (%1 more lines)").Arg(further - kMaxAdditionalRows + 1).Text()
                   : QString();
    return Shown(Cells(row.entry, row.line).at(column));
}

int CLogViewDlgTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CLogViewDlgTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CLogViewDlgTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= kColumnCount)
        return {};
    const TRow& row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (role == Qt::ToolTipRole && index.column() != kDetails)
            return {};
        return CellText(row, index.column());
    case Qt::DecorationRole:
        if (index.column() != kDetails || row.line != 0 ||
            m_entryRows[row.entry].additionalRows.isEmpty())
            return {};
        return m_entryRows[row.entry].expanded ? m_expandedIcon : m_collapsedIcon;
    case Qt::ForegroundRole:
        if (IsHighlighted(m_entries[row.entry]))
            return QBrush(kLogViewModelHighlight);
        return {};
    case Qt::TextAlignmentRole:
        return index.column() == kDetails ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                          : int(Qt::AlignHCenter | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant CLogViewDlgTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case kDate:
        return Translate("Date").Text();
    case kModule:
        return Translate("Module").Text();
    case kEventId:
        return Translate("EventID").Text();
    case kDetails:
        return Translate("Details").Text();
    default:
        return {};
    }
}

QString CLogViewDlgTableModel::SavedText() const
{
    QStringList rows;
    for (int entry = 0; entry < m_entries.size(); ++entry)
        for (int line = 0; line < m_entryRows[entry].lines.size(); ++line)
            rows.append(Cells(entry, line).join(u'\t'));
    return rows.join(u"\r\n\r\n"_s);
}

QString CLogViewDlgTableModel::PrintedHtml() const
{
    QString html =
        u"<html>\n<head></head>\n<body>\n<h2>"_s + Translate("LogView").Text() + u"</h2>\n"_s;
    for (int entry = 0; entry < m_entries.size(); ++entry) {
        const QStringList cells = Cells(entry, 0);
        html += u"<p><b>"_s + cells[kDate].toHtmlEscaped() + u"</b>&nbsp;&nbsp; <b>"_s +
                cells[kModule].toHtmlEscaped() + u"</b>&nbsp;&nbsp; <b>"_s +
                cells[kEventId].toHtmlEscaped() + u"</b></p>\n<p>"_s;
        QStringList lines;
        for (const QString& line : m_entryRows[entry].lines)
            lines.append(line.toHtmlEscaped());
        html += lines.join(u"<br>"_s) + u"</p>\n"_s;
    }
    return html + u"</body>\n</html>\n"_s;
}
