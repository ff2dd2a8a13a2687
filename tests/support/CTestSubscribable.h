#pragma once

#include "core/HResult.h"
#include "tests/support/CTestEngine.h"

#include <QString>

// A test service whose Subscribe and Unsubscribe are recorded with the test engine under the
// service's name; TServiceBase is a generated service base.
template <typename TServiceBase>
class CTestSubscribable : public TServiceBase {
public:
    CTestSubscribable(CTestEngine* engine, QString name, QObject* parent)
        : TServiceBase(parent)
        , m_engine(engine)
        , m_name(std::move(name))
    {}

    int Subscribe(const QString& computer, const QString& listener) override
    {
        m_engine->RecordSubscription(m_name, computer, listener, true);
        return S_OK;
    }
    int Unsubscribe(const QString& computer, const QString& listener) override
    {
        m_engine->RecordSubscription(m_name, computer, listener, false);
        return S_OK;
    }

protected:
    CTestEngine* Engine() const { return m_engine; }

private:
    CTestEngine* m_engine;
    QString m_name;
};
