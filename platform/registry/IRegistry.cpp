#include "platform/registry/IRegistry.h"

#include "platform/registry/CFileRegistry.h"

#include <QMutex>

#include <memory>

namespace {

QMutex g_registryInstanceMutex;
IRegistry* g_replacement = nullptr;
std::unique_ptr<CFileRegistry> g_fileRegistry;

} // namespace

IRegistry& IRegistry::Instance()
{
    QMutexLocker locker(&g_registryInstanceMutex);
    if (g_replacement)
        return *g_replacement;
    if (!g_fileRegistry)
        g_fileRegistry = std::make_unique<CFileRegistry>();
    return *g_fileRegistry;
}

void IRegistry::SetInstance(IRegistry* registry)
{
    QMutexLocker locker(&g_registryInstanceMutex);
    g_replacement = registry;
    if (!registry)
        g_fileRegistry.reset();
}
