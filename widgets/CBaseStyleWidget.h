#pragma once

#include <QWidget>

// A plain widget that the style sheets reach: QWidget subclasses draw no background of their own,
// so this one paints the style's panel (background, border, image) before its children.
class CBaseStyleWidget : public QWidget {
    Q_OBJECT

public:
    explicit CBaseStyleWidget(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
