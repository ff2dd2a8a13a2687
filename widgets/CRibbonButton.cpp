#include "widgets/CRibbonButton.h"

#include "resources/CSkinResources.h"

#include <QFile>
#include <QIcon>
#include <QShortcut>

using namespace Qt::StringLiterals;

CRibbonButton::CRibbonButton(QWidget* parent)
    : QToolButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(kIconSize, kIconSize));
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
}

void CRibbonButton::SetRibbonText(const QString& text)
{
    m_ribbonText = text;
    QString shown = text;
    shown.replace(u"\r\n"_s, u"\n"_s);
    setText(shown);
}

void CRibbonButton::SetImageName(const QString& name)
{
    m_imageName = name;
    if (!m_imageFolder.isEmpty())
        LoadIcon();
}

void CRibbonButton::ApplySkin(const QString& imageFolder)
{
    m_imageFolder = imageFolder;
    LoadIcon();
}

void CRibbonButton::LoadIcon()
{
    const QString path = CSkinResources::SkinImagePath(m_imageFolder, m_imageName);
    // QIcon would accept a missing file and answer an icon that draws nothing but is not null.
    setIcon(!m_imageName.isEmpty() && QFile::exists(path) ? QIcon(path) : QIcon());
}

void CRibbonButton::SetShortcutKeys(const QKeySequence& keys)
{
    if (!m_shortcut) {
        // Owned by the button, the shortcut is matched only while the button is visible and
        // enabled, so equal keys on the buttons of other tabs are never ambiguous.
        m_shortcut = new QShortcut(this);
        connect(m_shortcut, &QShortcut::activated, this, &CRibbonButton::OnShortcutActivated);
    }
    m_shortcut->setKey(keys);
}

void CRibbonButton::OnShortcutActivated()
{
    if (isVisible() && isEnabled())
        animateClick();
}
