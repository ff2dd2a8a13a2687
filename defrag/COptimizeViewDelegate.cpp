#include "defrag/COptimizeViewDelegate.h"

#include "defrag/CNextRunDelegate.h"
#include "defrag/CNextRunWidget.h"

#include <QLineEdit>

COptimizeViewDelegate::COptimizeViewDelegate(int nextRunColumn, const CCadence& cadence,
                                             QObject* parent)
    : QStyledItemDelegate(parent)
    , m_nextRunColumn(nextRunColumn)
    , m_nextRun(new CNextRunDelegate(cadence, this))
{}

void COptimizeViewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    if (IsNextRun(index))
        m_nextRun->paint(painter, option, index);
    else
        QStyledItemDelegate::paint(painter, option, index);
}

QWidget* COptimizeViewDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                             const QModelIndex& index) const
{
    if (!IsNextRun(index))
        return new QLineEdit(parent);
    QWidget* editor = m_nextRun->createEditor(parent, option, index);
    if (auto* nextRun = qobject_cast<CNextRunWidget*>(editor))
        connect(nextRun, &QComboBox::activated, this, &COptimizeViewDelegate::itemActive);
    return editor;
}

void COptimizeViewDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (IsNextRun(index))
        m_nextRun->setEditorData(editor, index);
    else
        QStyledItemDelegate::setEditorData(editor, index);
}

void COptimizeViewDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                         const QModelIndex& index) const
{
    if (IsNextRun(index))
        m_nextRun->setModelData(editor, model, index);
    else
        QStyledItemDelegate::setModelData(editor, model, index);
}

void COptimizeViewDelegate::updateEditorGeometry(QWidget* editor,
                                                 const QStyleOptionViewItem& option,
                                                 const QModelIndex& index) const
{
    if (IsNextRun(index))
        m_nextRun->updateEditorGeometry(editor, option, index);
    else
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
}
