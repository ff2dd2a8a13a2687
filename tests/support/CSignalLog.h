#pragma once

#include "notify/CSignalTap.h"

#include <QStringList>
#include <QVariantList>

#include <mutex>

// What an object emits, in order and from whatever thread: each signal's name and arguments.
class CSignalLog {
public:
    explicit CSignalLog(QObject* source)
        : m_tap(source, [this](const QMetaMethod& signal, const QVariantList& arguments) {
            std::lock_guard lock(m_mutex);
            m_names.append(QString::fromLatin1(signal.name()));
            m_arguments.append(arguments);
        })
    {}

    QStringList Names() const
    {
        std::lock_guard lock(m_mutex);
        return m_names;
    }
    QList<QVariantList> Arguments() const
    {
        std::lock_guard lock(m_mutex);
        return m_arguments;
    }
    int Count() const { return int(Names().size()); }
    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_names.clear();
        m_arguments.clear();
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_names;
    QList<QVariantList> m_arguments;
    CSignalTap m_tap; // last, so that it goes first
};
