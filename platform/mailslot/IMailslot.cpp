#include "platform/mailslot/IMailslot.h"

#include "platform/mailslot/CUnixMailslot.h"

#include <QMutex>

namespace {

QMutex g_factoryMutex;
IMailslot::TFactory g_factory;

} // namespace

std::unique_ptr<IMailslot> IMailslot::Make()
{
    TFactory factory;
    {
        QMutexLocker locker(&g_factoryMutex);
        factory = g_factory;
    }
    // Called outside the lock so that a factory may itself use Make or SetFactory.
    if (factory)
        return factory();
    return std::make_unique<CUnixMailslot>();
}

void IMailslot::SetFactory(TFactory factory)
{
    QMutexLocker locker(&g_factoryMutex);
    g_factory = std::move(factory);
}
