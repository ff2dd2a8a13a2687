#include "platform/registry/RegistryTypes.h"

QString RegistryHiveName(HKEY hive)
{
    switch (hive) {
    case HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_CURRENT_USER");
    case HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_CURRENT_CONFIG:
        return QStringLiteral("HKEY_CURRENT_CONFIG");
    }
    return {};
}

bool RegistryHiveFromName(const QString& name, HKEY* hive)
{
    for (HKEY candidate : kRegistryHives) {
        if (name.compare(RegistryHiveName(candidate), Qt::CaseInsensitive) == 0) {
            *hive = candidate;
            return true;
        }
    }
    return false;
}
