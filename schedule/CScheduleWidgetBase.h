#pragma once

#include <QColor>
#include <QFrame>
#include <QString>

class CScheduleTitleContainerWidget;
class QVBoxLayout;

// A framed pane of the scheduling tab: a title bar over a body, in the images and colours of
// the current skin. It follows the skin when the application's style changes (as it does on
// every change of skin); without an application controller it keeps the blue skin.
class CScheduleWidgetBase : public QFrame {
    Q_OBJECT

public:
    explicit CScheduleWidgetBase(QWidget* parent = nullptr);

    CScheduleTitleContainerWidget* TitleBar() const { return m_titleBar; }
    // Where the pane's content goes, under the title bar.
    QVBoxLayout* BodyLayout() const { return m_body; }
    // The image folder of the skin last applied.
    const QString& ImageFolder() const { return m_imageFolder; }
    QColor FrameColor() const;

    // Takes a skin's images and colours by its image folder.
    void ApplySkin(const QString& imageFolder);

public slots:
    // Takes the application's current skin.
    virtual void SkinChanged();

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CScheduleTitleContainerWidget* m_titleBar;
    QVBoxLayout* m_body;
    QString m_imageFolder;
};
