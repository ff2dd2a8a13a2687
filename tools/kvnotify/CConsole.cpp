#include "tools/kvnotify/CConsole.h"

#include "core/CSystemMessage.h"

#include <cstdio>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

std::mutex& OutputMutex()
{
    static std::mutex mutex;
    return mutex;
}

void Write(FILE* stream, const QByteArray& line)
{
    std::lock_guard lock(OutputMutex());
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

void CConsole::Line(const QByteArray& line)
{
    Write(stdout, line);
}

void CConsole::Error(const QString& message)
{
    Write(stderr, (u"kvnotify: "_s + message).toUtf8());
}

void CConsole::Error(const QString& message, DWORD code)
{
    Error(message + u": "_s + Describe(code));
}

QString CConsole::Describe(DWORD code)
{
    return u"error %1: %2"_s.arg(code).arg(CSystemMessage::Text(static_cast<HRESULT>(code)));
}
