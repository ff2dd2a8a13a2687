#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// A program's argument vector for posix_spawn and exec: the program's name, then the arguments,
// in the local 8-bit encoding, ending in a null pointer. Valid as long as it lives.
class CArgv {
public:
    CArgv(const char* program, const QStringList& arguments)
    {
        m_bytes.emplace_back(program);
        for (const QString& argument : arguments)
            m_bytes.push_back(argument.toLocal8Bit());
        for (QByteArray& bytes : m_bytes)
            m_pointers.push_back(bytes.data());
        m_pointers.push_back(nullptr);
    }
    CArgv(const CArgv&) = delete;
    CArgv& operator=(const CArgv&) = delete;

    char* const* Get() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_bytes;
    std::vector<char*> m_pointers;
};
