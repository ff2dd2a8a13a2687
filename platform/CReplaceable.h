#pragma once

#include <QMutex>

// A process-wide service object: the system's own (made on first use) unless a replacement was
// installed. Replacements are not owned; tests install doubles with them.
template <typename TInterface, typename TSystem>
class CReplaceable {
public:
    static TInterface& Instance()
    {
        static TSystem system;
        QMutexLocker locker(&Mutex());
        TInterface* replacement = Replacement();
        return replacement ? *replacement : system;
    }

    // Null goes back to the system's own.
    static void Install(TInterface* replacement)
    {
        QMutexLocker locker(&Mutex());
        Replacement() = replacement;
    }

private:
    static QMutex& Mutex()
    {
        static QMutex mutex;
        return mutex;
    }
    static TInterface*& Replacement()
    {
        static TInterface* replacement = nullptr;
        return replacement;
    }
};
