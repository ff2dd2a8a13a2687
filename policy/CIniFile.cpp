#include "policy/CIniFile.h"

#include "platform/CFileDescriptor.h"
#include "platform/CWin32Error.h"

#include <QFile>
#include <QLoggingCategory>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcIniFile, "korvane.policy.ini")

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

QByteArrayView Trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

DWORD OpenError(int error)
{
    // A missing file is the usual case: the administrator placed none.
    if (error == ENOENT)
        return ERROR_FILE_NOT_FOUND;
    return CWin32Error::FromErrno(error, ERROR_READ_FAULT);
}

// Reads to the end of the file, but never more than kMaxFileSize + 1 bytes: a file that grows
// while it is read is caught by the size check all the same.
DWORD ReadAll(int fd, qint64 expectedSize, QByteArray* bytes)
{
    const qint64 limit = CIniFile::kMaxFileSize + 1;
    bytes->reserve(static_cast<qsizetype>(qMin(expectedSize, limit)));
    char buffer[65536];
    while (bytes->size() < limit) {
        const qint64 wanted = qMin<qint64>(sizeof buffer, limit - bytes->size());
        const ssize_t got = ::read(fd, buffer, static_cast<size_t>(wanted));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return CWin32Error::FromErrno(errno, ERROR_READ_FAULT);
        }
        if (got == 0)
            break;
        bytes->append(buffer, got);
    }
    return bytes->size() > CIniFile::kMaxFileSize ? ERROR_FILE_TOO_LARGE : ERROR_SUCCESS;
}

} // namespace

void CIniFile::Clear()
{
    m_sections.clear();
}

DWORD CIniFile::Load(const QString& path)
{
    Clear();
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that a named pipe put in the file's place cannot hang the open.
    CFileDescriptor fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0)
        return OpenError(errno);
    struct stat info = {};
    if (::fstat(fd.Get(), &info) != 0)
        return CWin32Error::FromErrno(errno, ERROR_READ_FAULT);
    // Folders, pipes and devices are not settings files.
    if (!S_ISREG(info.st_mode))
        return ERROR_ACCESS_DENIED;

    DWORD result = ERROR_FILE_TOO_LARGE;
    try {
        QByteArray bytes;
        if (info.st_size <= kMaxFileSize)
            result = ReadAll(fd.Get(), info.st_size, &bytes);
        if (result == ERROR_SUCCESS)
            ParseLines(bytes);
    } catch (const std::bad_alloc&) {
        Clear();
        return ERROR_OUTOFMEMORY;
    }
    if (result == ERROR_FILE_TOO_LARGE)
        qCWarning(lcIniFile).noquote()
            << "the file" << path << "is not read: it is larger than" << kMaxFileSize << "bytes";
    return result;
}

DWORD CIniFile::Parse(const QByteArray& text)
{
    Clear();
    try {
        ParseLines(text);
    } catch (const std::bad_alloc&) {
        Clear();
        return ERROR_OUTOFMEMORY;
    }
    return ERROR_SUCCESS;
}

void CIniFile::ParseLines(const QByteArray& text)
{
    QByteArray section;
    TKeys keys;
    auto StoreSection = [this, &section, &keys] {
        if (!section.isEmpty()) {
            TKeys& stored = m_sections[section];
            for (auto& [key, value] : keys)
                stored[key] = std::move(value);
        }
        keys.clear();
    };

    const QByteArrayView all(text);
    qsizetype start = 0;
    while (start <= all.size()) {
        qsizetype end = all.indexOf(QByteArrayView("\r\n"), start);
        if (end < 0)
            end = all.size();
        const QByteArrayView line = Trimmed(all.sliced(start, end - start));
        start = end + 2;

        if (line.isEmpty() || line.front() == '#' || line.front() == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            StoreSection();
            QByteArrayView name = line;
            while (name.startsWith('['))
                name = name.sliced(1);
            while (name.endsWith(']'))
                name.chop(1);
            section = name.toByteArray();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        keys[Trimmed(line.first(equals)).toByteArray()] =
            Trimmed(line.sliced(equals + 1)).toByteArray();
    }
    StoreSection();
}

QByteArrayList CIniFile::SectionNames() const
{
    QByteArrayList names;
    for (const auto& entry : m_sections)
        names.append(entry.first);
    return names;
}

QByteArrayList CIniFile::KeyNames(const QByteArray& section) const
{
    QByteArrayList names;
    const auto found = m_sections.find(section);
    if (found != m_sections.end()) {
        for (const auto& entry : found->second)
            names.append(entry.first);
    }
    return names;
}

bool CIniFile::Value(const QByteArray& section, const QByteArray& key, QByteArray* value) const
{
    const auto foundSection = m_sections.find(section);
    if (foundSection == m_sections.end())
        return false;
    const auto foundKey = foundSection->second.find(key);
    if (foundKey == foundSection->second.end())
        return false;
    *value = foundKey->second;
    return true;
}

bool CIniFile::NumberValue(const QByteArray& section, const QByteArray& key, DWORD* number) const
{
    QByteArray text;
    return Value(section, key, &text) && ParseNumber(text, number);
}

bool CIniFile::ParseNumber(const QByteArray& text, DWORD* number)
{
    quint64 result = 0;
    qsizetype digits = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        result = qMin<quint64>(result * 10 + static_cast<quint64>(c - '0'), 0xFFFFFFFFull);
        ++digits;
    }
    if (digits == 0)
        return false;
    *number = static_cast<DWORD>(result);
    return true;
}
