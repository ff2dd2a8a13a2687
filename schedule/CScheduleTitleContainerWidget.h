#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class QLabel;

// The title bar of a scheduling pane: an icon and a rich-text title on the skin's header image,
// which is stretched across the bar.
class CScheduleTitleContainerWidget : public QWidget {
    Q_OBJECT

public:
    // The header image in each skin's image folder.
    static const QString kBackgroundImage;

    explicit CScheduleTitleContainerWidget(QWidget* parent = nullptr);

    // Rich text: callers escape what came from outside.
    void SetTitle(const QString& richText);
    QString Title() const;
    // A resource path; an empty path or one without an image shows no icon.
    void SetIcon(const QString& path);
    bool HasIcon() const;

    // Takes the header image of a skin's image folder.
    void ApplySkin(const QString& imageFolder);
    const QPixmap& Background() const { return m_background; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_icon;
    QLabel* m_title;
    QPixmap m_background;
};
