#include "defrag/CNextRunDelegate.h"

#include "core/Types.h"
#include "defrag/CNextRunWidget.h"
#include "defrag/COptimizeTableModel.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace {

// The cell's schedule name (its sort key) and the volume of its row (the name column's value).
TName ScheduleOf(const QModelIndex& index)
{
    return index.data(Qt::UserRole).toString().toStdWString();
}

TId VolumeOf(const QModelIndex& index)
{
    return index.siblingAtColumn(COptimizeTableModel::kNameColumn)
        .data(Qt::EditRole)
        .toString()
        .toStdWString();
}

} // namespace

CNextRunDelegate::CNextRunDelegate(const CCadence& cadence, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_cadence(cadence)
{}

void CNextRunDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!index.siblingAtColumn(COptimizeTableModel::kNameColumn).data(Qt::EditRole).isValid())
        return; // a vanished volume's row is empty
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    QStyleOptionComboBox combo;
    combo.rect = option.rect.adjusted(1, 1, -1, -1);
    combo.state = option.state & (QStyle::State_Enabled | QStyle::State_Active);
    combo.palette = option.palette;
    combo.fontMetrics = option.fontMetrics;
    combo.direction = option.direction;
    combo.currentText = CNextRunWidget::CellText(m_cadence, ScheduleOf(index), VolumeOf(index));
    style->drawComplexControl(QStyle::CC_ComboBox, &combo, painter, widget);
    style->drawControl(QStyle::CE_ComboBoxLabel, &combo, painter, widget);
}

QWidget* CNextRunDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    Q_UNUSED(option);
    Q_UNUSED(index);
    return new CNextRunWidget(m_cadence, parent);
}

void CNextRunDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* nextRun = qobject_cast<CNextRunWidget*>(editor))
        nextRun->SetCurrentSchedule(ScheduleOf(index), VolumeOf(index));
}

void CNextRunDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const
{
    if (auto* nextRun = qobject_cast<CNextRunWidget*>(editor))
        model->setData(index, nextRun->currentIndex(), Qt::EditRole);
}

void CNextRunDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const
{
    Q_UNUSED(index);
    editor->setGeometry(option.rect);
}
