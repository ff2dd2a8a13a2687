#pragma once

#include <QStyledItemDelegate>

class CCadence;
class CNextRunDelegate;

// The drive table's delegate: the "Next Run" column goes to a CNextRunDelegate, any other
// editable column gets a plain line edit.
class COptimizeViewDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    COptimizeViewDelegate(int nextRunColumn, const CCadence& cadence, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

signals:
    // An item of a "Next Run" editor was chosen.
    void itemActive();

private:
    bool IsNextRun(const QModelIndex& index) const { return index.column() == m_nextRunColumn; }

    int m_nextRunColumn;
    CNextRunDelegate* m_nextRun;
};
