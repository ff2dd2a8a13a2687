#include "policy/CIniFile.h"

#include "core/CRegularFile.h"

#include <QLoggingCategory>

#include <new>

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

} // namespace

void CIniFile::Clear()
{
    m_sections.clear();
}

DWORD CIniFile::Load(const QString& path)
{
    Clear();
    try {
        QByteArray bytes;
        const DWORD result = CRegularFile::ReadAll(path, kMaxFileSize, &bytes);
        if (result == ERROR_FILE_TOO_LARGE)
            qCWarning(lcIniFile).noquote() << "the file" << path << "is not read: it is larger than"
                                           << kMaxFileSize << "bytes";
        if (result != ERROR_SUCCESS)
            return result;
        ParseLines(bytes);
    } catch (const std::bad_alloc&) {
        Clear();
        return ERROR_OUTOFMEMORY;
    }
    return ERROR_SUCCESS;
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
        qsizetype end = all.indexOf('\n', start);
        if (end < 0)
            end = all.size();
        // The CR of a CR LF is trimmed with the line.
        const QByteArrayView line = Trimmed(all.sliced(start, end - start));
        start = end + 1;

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
    const bool negative = text.startsWith('-');
    const qsizetype start = negative || text.startsWith('+') ? 1 : 0;
    quint64 magnitude = 0;
    qsizetype digits = 0;
    for (qsizetype i = start; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
        magnitude =
            qMin<quint64>(magnitude * 10 + static_cast<quint64>(text[i] - '0'), 0xFFFFFFFFull);
    if (digits == 0)
        return false;
    if (negative)
        magnitude = (0x100000000ull - qMin<quint64>(magnitude, 0x80000000ull)) & 0xFFFFFFFFull;
    *number = static_cast<DWORD>(magnitude);
    return true;
}
