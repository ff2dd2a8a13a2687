#pragma once

#include <QStyledItemDelegate>

class CCadence;

// The "Next Run" cell: drawn as a closed combo box naming the volume's next run, edited with a
// CNextRunWidget.
class CNextRunDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit CNextRunDelegate(const CCadence& cadence, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    const CCadence& m_cadence;
};
