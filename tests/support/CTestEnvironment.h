#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <map>

// Gives a test its own folders: the registry, the runtime folder and the XDG folders point into
// a fresh temporary folder for the lifetime of this object, and the process-wide registry is
// made afresh over them. Everything is put back and removed afterwards.
class CTestEnvironment {
public:
    CTestEnvironment();
    ~CTestEnvironment();
    CTestEnvironment(const CTestEnvironment&) = delete;
    CTestEnvironment& operator=(const CTestEnvironment&) = delete;

    QString Root() const { return m_directory.path(); }
    QString RegistryDirectory() const;
    QString RuntimeDirectory() const;

    // Sets a variable for the rest of this object's life.
    void Set(const char* name, const QString& value);
    void Unset(const char* name);

private:
    void Remember(const char* name);

    QTemporaryDir m_directory;
    std::map<QByteArray, std::pair<bool, QByteArray>> m_saved;
};
