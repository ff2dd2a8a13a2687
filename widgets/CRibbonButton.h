#pragma once

#include <QKeySequence>
#include <QString>
#include <QToolButton>

class QShortcut;

// A button of a ribbon group: a 32x32 skin image above a text of one or more lines. Its keyboard
// shortcut flashes the button before clicking it, so that the user sees what the keys did.
class CRibbonButton : public QToolButton {
    Q_OBJECT

public:
    static constexpr int kIconSize = 32;

    explicit CRibbonButton(QWidget* parent = nullptr);

    // "\r\n" and "\n" become line breaks inside the button.
    void SetRibbonText(const QString& text);
    // The text as it was given, line breaks in their original form.
    const QString& RibbonText() const { return m_ribbonText; }

    // The image's file name inside a skin's image folder; empty for a button without an image.
    // Takes effect at once when a skin has been applied already.
    void SetImageName(const QString& name);
    const QString& ImageName() const { return m_imageName; }

    // Loads ":/images/<folder>/<image name>" as the icon; a missing image leaves no icon.
    void ApplySkin(const QString& imageFolder);

    // The shortcut acts only while the button is visible and enabled: the shortcut of a button
    // on a hidden ribbon tab does nothing.
    void SetShortcutKeys(const QKeySequence& keys);
    QShortcut* Shortcut() const { return m_shortcut; }

private:
    void OnShortcutActivated();
    void LoadIcon();

    QString m_ribbonText;
    QString m_imageName;
    QString m_imageFolder;
    QShortcut* m_shortcut = nullptr;
};
