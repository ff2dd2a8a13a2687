#include "notify/CSignalTap.h"

CSignalTap::CSignalTap(QObject* source, TCallback callback)
    : m_callback(std::move(callback))
{
    const QMetaObject* meta = source->metaObject();
    const int offset = QObject::staticMetaObject.methodCount();
    for (int index = QObject::staticMetaObject.methodCount(); index < meta->methodCount();
         ++index) {
        const QMetaMethod method = meta->method(index);
        if (method.methodType() != QMetaMethod::Signal)
            continue;
        // Each signal reaches a slot number of its own past QObject's methods; qt_metacall
        // maps it back.
        const int slot = offset + static_cast<int>(m_signals.size());
        if (QMetaObject::connect(source, index, this, slot, Qt::DirectConnection))
            m_signals.push_back(method);
    }
}

int CSignalTap::qt_metacall(QMetaObject::Call call, int id, void** arguments)
{
    id = QObject::qt_metacall(call, id, arguments);
    if (id < 0 || call != QMetaObject::InvokeMetaMethod)
        return id;
    if (id < static_cast<int>(m_signals.size())) {
        const QMetaMethod& signal = m_signals[static_cast<size_t>(id)];
        QVariantList values;
        values.reserve(signal.parameterCount());
        for (int i = 0; i < signal.parameterCount(); ++i)
            values.append(QVariant(signal.parameterMetaType(i), arguments[i + 1]));
        m_callback(signal, values);
    }
    return id - static_cast<int>(m_signals.size());
}
