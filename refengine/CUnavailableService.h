#pragma once

#include "refengine/CNoticeSink.h"

#include <QObject>

// A service this engine does not provide yet: a console connects to it and subscribes to its
// notices as to any other, and every other call answers E_NOTIMPL (the base's answer), which
// the console reports as not available. TBase is a generated service base with Subscribe and
// Unsubscribe.
template <typename TBase>
class CUnavailableService : public TBase {
public:
    explicit CUnavailableService(QObject* parent = nullptr)
        : TBase(parent)
    {}

    int Subscribe(const QString& computer, const QString& listener) override
    {
        return m_sink.Subscribe(computer, listener);
    }
    int Unsubscribe(const QString& computer, const QString& listener) override
    {
        return m_sink.Unsubscribe(computer, listener);
    }

private:
    CNoticeSink m_sink;
};
