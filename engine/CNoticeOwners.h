#pragma once

#include "core/HResult.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class CNoticeListener;

// Every kind of notice owner by a short name ("engine", "agent", "duplicates", "cleaner",
// "exchange", "vm", "spacereports"): the wrapper object whose signals the notices become, its
// listener, and its decoder. For tools that listen to a service without a connection.
class CNoticeOwners {
public:
    struct TOwner {
        std::unique_ptr<QObject> object; // the object whose signals the notices become
        CNoticeListener* listener = nullptr;
        std::function<void(quint32 type, const QByteArray& body)> dispatch;
    };

    static QStringList Kinds();
    // False for an unknown kind.
    static bool Make(const QString& kind, TOwner* owner);
};
