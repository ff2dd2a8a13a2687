#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

// F1 on a widget or anything inside it opens a help topic of the console's help. The key is
// taken before the window's own F1 shortcut sees it, so the innermost panel that has a topic
// answers it. The topic is asked for at each press; an empty one leaves the key to others.
class CDefragHelpKey : public QObject {
    Q_OBJECT

public:
    using TTopic = std::function<QString()>;

    // Watches the widget's key events for as long as the widget lives.
    CDefragHelpKey(QWidget* widget, TTopic topic);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TTopic m_topic;
};
