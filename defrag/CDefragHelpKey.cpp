#include "defrag/CDefragHelpKey.h"

#include "appmodel/IAppController.h"

#include <QKeyEvent>
#include <QWidget>

CDefragHelpKey::CDefragHelpKey(QWidget* widget, TTopic topic)
    : QObject(widget)
    , m_topic(std::move(topic))
{
    widget->installEventFilter(this);
}

bool CDefragHelpKey::eventFilter(QObject* watched, QEvent* event)
{
    // The override request travels from the focused widget up through its parents before any
    // shortcut is matched; accepting it turns F1 into a key press that travels the same way.
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
        return QObject::eventFilter(watched, event);
    const QString topic = m_topic();
    if (topic.isEmpty())
        return QObject::eventFilter(watched, event);
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        if (IAppController* controller = IAppController::Current())
            controller->ContextHelp(topic);
    }
    return true;
}
