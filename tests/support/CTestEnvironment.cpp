#include "tests/support/CTestEnvironment.h"

#include "platform/registry/IRegistry.h"

#include <QDir>
#include <QFile>

CTestEnvironment::CTestEnvironment()
{
    QDir(Root()).mkpath(QStringLiteral("xdg-run"));
    QFile::setPermissions(Root() + QStringLiteral("/xdg-run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Set("KORVANE_REGISTRY_DIR", RegistryDirectory());
    Set("KORVANE_RUNTIME_DIR", RuntimeDirectory());
    Set("XDG_CONFIG_HOME", Root() + QStringLiteral("/config"));
    Set("XDG_RUNTIME_DIR", Root() + QStringLiteral("/xdg-run"));
    IRegistry::SetInstance(nullptr);
}

CTestEnvironment::~CTestEnvironment()
{
    for (const auto& [name, saved] : m_saved) {
        if (saved.first)
            qputenv(name.constData(), saved.second);
        else
            qunsetenv(name.constData());
    }
    IRegistry::SetInstance(nullptr);
}

QString CTestEnvironment::RegistryDirectory() const
{
    return Root() + QStringLiteral("/registry");
}

QString CTestEnvironment::RuntimeDirectory() const
{
    return Root() + QStringLiteral("/run");
}

void CTestEnvironment::Remember(const char* name)
{
    if (m_saved.count(name) == 0)
        m_saved[name] = {qEnvironmentVariableIsSet(name), qgetenv(name)};
}

void CTestEnvironment::Set(const char* name, const QString& value)
{
    Remember(name);
    qputenv(name, value.toLocal8Bit());
}

void CTestEnvironment::Unset(const char* name)
{
    Remember(name);
    qunsetenv(name);
}
