// Writes many values into one key of the user hive, as a second process beside a test would:
// registry_writer <directory> <key name> <count>
#include "platform/registry/CFileRegistry.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4)
        return 2;
    CFileRegistry registry(arguments.at(1));
    const QString path = QStringLiteral("Software\\Test\\") + arguments.at(2);
    const int count = arguments.at(3).toInt();
    if (registry.CreateKey(HKEY_CURRENT_USER, path, nullptr) != ERROR_SUCCESS)
        return 1;
    for (int i = 0; i < count; ++i) {
        const LONG result = registry.SetValue(HKEY_CURRENT_USER, path, QStringLiteral("v%1").arg(i),
                                              CRegistryValue::FromDWord(static_cast<DWORD>(i)));
        if (result != ERROR_SUCCESS)
            return 1;
    }
    return 0;
}
