#include "refengine/CMountTable.h"

#include <QFile>

#include <sys/sysmacros.h>

namespace {

// Undoes the kernel's octal escapes (\040 space, \011 tab, \012 line feed, \134 backslash).
QString MountTableUnescape(QByteArrayView field)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const auto digit = [&field](qsizetype at) {
                const char d = field[at];
                return d >= '0' && d <= '7' ? d - '0' : -1;
            };
            const int a = digit(i + 1), b = digit(i + 2), d = digit(i + 3);
            if (a >= 0 && b >= 0 && d >= 0 && a <= 3) {
                bytes.append(static_cast<char>(a * 64 + b * 8 + d));
                i += 3;
                continue;
            }
        }
        bytes.append(c);
    }
    return QFile::decodeName(bytes);
}

bool MountTableNumber(QByteArrayView field, unsigned int* value)
{
    if (field.isEmpty() || field.size() > 10)
        return false;
    quint64 number = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<quint64>(c - '0');
    }
    if (number > 0xFFFFFFFFu)
        return false;
    *value = static_cast<unsigned int>(number);
    return true;
}

bool MountTableParseLine(QByteArrayView line, CMountTable::TEntry* entry)
{
    QList<QByteArrayView> fields;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ' ') {
            if (i > start)
                fields.append(line.sliced(start, i - start));
            start = i + 1;
        }
    }
    // id parent major:minor root mount-point options [optional...] - type source super-options
    if (fields.size() < 9)
        return false;
    qsizetype separator = -1;
    for (qsizetype i = 6; i < fields.size(); ++i) {
        if (fields[i] == "-") {
            separator = i;
            break;
        }
    }
    if (separator < 0 || separator + 2 >= fields.size())
        return false;

    unsigned int id = 0, parent = 0, major = 0, minor = 0;
    const QByteArrayView device = fields[2];
    const qsizetype colon = device.indexOf(':');
    if (!MountTableNumber(fields[0], &id) || !MountTableNumber(fields[1], &parent) || colon < 0 ||
        !MountTableNumber(device.first(colon), &major) ||
        !MountTableNumber(device.sliced(colon + 1), &minor))
        return false;
    if (fields[3].front() != '/' || fields[4].front() != '/')
        return false;

    entry->mountId = static_cast<int>(id);
    entry->parentId = static_cast<int>(parent);
    entry->major = major;
    entry->minor = minor;
    entry->root = MountTableUnescape(fields[3]);
    entry->mountPoint = MountTableUnescape(fields[4]);
    entry->options = QString::fromLatin1(fields[5]);
    entry->fileSystem = MountTableUnescape(fields[separator + 1]);
    entry->source = MountTableUnescape(fields[separator + 2]);
    entry->superOptions =
        separator + 3 < fields.size() ? QString::fromLatin1(fields[separator + 3]) : QString();
    return true;
}

} // namespace

dev_t CMountTable::TEntry::Device() const
{
    return makedev(major, minor);
}

CMountTable CMountTable::Parse(QByteArrayView text)
{
    CMountTable table;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        TEntry entry;
        if (MountTableParseLine(text.sliced(start, end - start), &entry))
            table.m_entries.append(std::move(entry));
        start = end + 1;
    }
    return table;
}

CMountTable CMountTable::Read()
{
    // A proc file reports no size: read it to its end.
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return Parse(file.readAll());
}
