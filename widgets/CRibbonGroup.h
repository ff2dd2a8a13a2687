#pragma once

#include <QFrame>
#include <QString>

class CRibbonButton;
class QHBoxLayout;
class QLabel;

// A group of a ribbon bar: a row of buttons and other widgets above the group's title.
class CRibbonGroup : public QFrame {
    Q_OBJECT

public:
    explicit CRibbonGroup(const QString& title, QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    QString Title() const;

    void AddButton(CRibbonButton* button);
    // Any other widget of the row, such as a column of a combo box and a check box.
    void AddWidget(QWidget* widget);

private:
    QHBoxLayout* m_row;
    QLabel* m_title;
};
