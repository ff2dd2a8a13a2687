#pragma once

#include <QMetaMethod>
#include <QObject>
#include <QVariantList>

#include <functional>
#include <vector>

// Hears every signal that an object's own classes declare (not QObject's) and hands each
// emission, with its arguments copied into variants, to a callback. The callback runs in the
// emitting thread. Used by the notice tools and tests to see what a listener emits.
class CSignalTap : public QObject {
public:
    using TCallback = std::function<void(const QMetaMethod& signal, const QVariantList& arguments)>;

    CSignalTap(QObject* source, TCallback callback);

    int qt_metacall(QMetaObject::Call call, int id, void** arguments) override;

private:
    std::vector<QMetaMethod> m_signals;
    TCallback m_callback;
};
