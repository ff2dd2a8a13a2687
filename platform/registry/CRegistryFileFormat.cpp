#include "platform/registry/CRegistryFileFormat.h"

#include <QStringDecoder>

const char* const CRegistryFileFormat::kHeader = "Windows Registry Editor Version 5.00";

namespace {

constexpr int kLineWidth = 78;

QString Quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out.append(u'"');
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            out.append(u'\\');
        out.append(c);
    }
    out.append(u'"');
    return out;
}

// A REG_SZ value goes in quotes only when reading the quoted text gives back the same bytes.
bool FitsQuotedForm(const CRegistryValue& value)
{
    const QByteArray& data = value.Data();
    if (value.Type() != REG_SZ || data.size() < 2 || data.size() % 2 != 0)
        return false;
    if (data.at(data.size() - 1) != '\0' || data.at(data.size() - 2) != '\0')
        return false;
    return CRegistryHive::IsPlainText(value.DataAsText());
}

QString HexData(const QString& prefix, const QByteArray& data)
{
    QString line = prefix;
    QString out;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const QString byte =
            QStringLiteral("%1").arg(static_cast<uchar>(data.at(i)), 2, 16, QChar(u'0'));
        const bool last = i + 1 == data.size();
        if (line.size() + byte.size() + 1 > kLineWidth - 1) {
            out.append(line).append(QStringLiteral("\\\n"));
            line = QStringLiteral("  ");
        }
        line.append(byte);
        if (!last)
            line.append(u',');
    }
    out.append(line);
    return out;
}

QString ValueLine(const QString& name, const CRegistryValue& value)
{
    const QString prefix = (name.isEmpty() ? QStringLiteral("@") : Quoted(name)) + u'=';
    if (FitsQuotedForm(value))
        return prefix + Quoted(value.DataAsText());
    if (value.Type() == REG_DWORD && value.Data().size() == 4) {
        DWORD number = 0;
        value.ToDWord(&number);
        return prefix + QStringLiteral("dword:%1").arg(number, 8, 16, QChar(u'0'));
    }
    const QString type = value.Type() == REG_BINARY
                             ? QStringLiteral("hex:")
                             : QStringLiteral("hex(%1):").arg(value.Type(), 0, 16);
    return HexData(prefix + type, value.Data());
}

// Reads a quoted text starting at text[*pos] == '"'; *pos ends after the closing quote.
bool ReadQuoted(const QString& text, qsizetype* pos, QString* out, QString* error)
{
    QString result;
    qsizetype i = *pos + 1;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == u'"') {
            *out = result;
            *pos = i + 1;
            return true;
        }
        if (c == u'\\') {
            if (i + 1 >= text.size() || (text.at(i + 1) != u'\\' && text.at(i + 1) != u'"')) {
                *error = QStringLiteral("unknown escape in quoted text");
                return false;
            }
            ++i;
        }
        result.append(text.at(i));
        ++i;
    }
    *error = QStringLiteral("quoted text without its closing quote");
    return false;
}

bool ReadHexBytes(const QString& text, QByteArray* out, QString* error)
{
    QByteArray bytes;
    const QStringList parts = text.split(u',');
    if (text.trimmed().isEmpty()) {
        *out = bytes;
        return true;
    }
    for (const QString& part : parts) {
        const QString byte = part.trimmed();
        bool ok = false;
        const uint number = byte.toUInt(&ok, 16);
        if (!ok || byte.size() > 2 || number > 0xFF) {
            *error = QStringLiteral("bad byte \"%1\"").arg(byte);
            return false;
        }
        bytes.append(static_cast<char>(number));
    }
    *out = bytes;
    return true;
}

bool ReadValueData(const QString& data, CRegistryValue* value, QString* error)
{
    if (data.startsWith(u'"')) {
        qsizetype pos = 0;
        QString text;
        if (!ReadQuoted(data, &pos, &text, error))
            return false;
        if (!data.mid(pos).trimmed().isEmpty()) {
            *error = QStringLiteral("text after the closing quote");
            return false;
        }
        *value = CRegistryValue::FromString(text);
        return true;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = data.mid(6).trimmed();
        bool ok = false;
        const uint number = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8) {
            *error = QStringLiteral("bad dword \"%1\"").arg(digits);
            return false;
        }
        *value = CRegistryValue::FromDWord(number);
        return true;
    }
    DWORD type = REG_BINARY;
    QString bytes;
    if (data.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive)) {
        bytes = data.mid(4);
    } else if (data.startsWith(QLatin1String("hex("), Qt::CaseInsensitive)) {
        const qsizetype close = data.indexOf(QLatin1String("):"));
        bool ok = false;
        type = close > 4 ? data.mid(4, close - 4).toUInt(&ok, 16) : 0;
        if (!ok) {
            *error = QStringLiteral("bad value type");
            return false;
        }
        bytes = data.mid(close + 2);
    } else {
        *error = QStringLiteral("unknown value form");
        return false;
    }
    QByteArray raw;
    if (!ReadHexBytes(bytes, &raw, error))
        return false;
    *value = CRegistryValue(type, raw);
    return true;
}

QString DecodeFile(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder(bytes.mid(2));
    }
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

} // namespace

QByteArray CRegistryFileFormat::Write(HKEY hive, const CRegistryHive& keys)
{
    const QString hiveName = RegistryHiveName(hive);
    QString text = QString::fromLatin1(kHeader) + u'\n';
    keys.ForEachKey(
        [&](const QString& path, const std::vector<CRegistryHive::TValueEntry>& values) {
            if (path.isEmpty() && values.empty())
                return;
            text.append(u'\n');
            text.append(u'[' + hiveName + (path.isEmpty() ? QString() : u'\\' + path) +
                        QStringLiteral("]\n"));
            for (const CRegistryHive::TValueEntry& entry : values)
                text.append(ValueLine(entry.name, entry.value) + u'\n');
        });
    return text.toUtf8();
}

bool CRegistryFileFormat::Parse(const QByteArray& bytes, HKEY hive, CRegistryHive* keys,
                                QString* error)
{
    CRegistryHive parsed;
    const QStringList lines = DecodeFile(bytes).split(u'\n');
    const QString hiveName = RegistryHiveName(hive);
    bool headerSeen = false;
    bool inKey = false;
    QString keyPath;
    auto fail = [&](qsizetype lineIndex, const QString& reason) {
        *error = QStringLiteral("line %1: %2").arg(lineIndex + 1).arg(reason);
        return false;
    };

    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype first = i;
        QString line = lines.at(i);
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';'))
            continue;
        if (!headerSeen) {
            if (trimmed != QLatin1String(kHeader))
                return fail(i, QStringLiteral("the file does not begin with the header"));
            headerSeen = true;
            continue;
        }
        if (trimmed.startsWith(u'[')) {
            if (!trimmed.endsWith(u']') || trimmed.startsWith(QLatin1String("[-")))
                return fail(i, QStringLiteral("bad key line"));
            const QString fullPath = trimmed.mid(1, trimmed.size() - 2);
            const qsizetype slash = fullPath.indexOf(u'\\');
            const QString root = slash < 0 ? fullPath : fullPath.left(slash);
            if (root.compare(hiveName, Qt::CaseInsensitive) != 0)
                return fail(i, QStringLiteral("key outside %1").arg(hiveName));
            keyPath = slash < 0 ? QString() : fullPath.mid(slash + 1);
            if (parsed.CreateKey(keyPath) != ERROR_SUCCESS)
                return fail(i, QStringLiteral("bad key name"));
            inKey = true;
            continue;
        }
        if (!inKey)
            return fail(i, QStringLiteral("value outside a key"));

        QString name;
        qsizetype pos = 0;
        if (trimmed.startsWith(u'@')) {
            pos = 1;
        } else if (trimmed.startsWith(u'"')) {
            QString reason;
            if (!ReadQuoted(trimmed, &pos, &name, &reason))
                return fail(i, reason);
        } else {
            return fail(i, QStringLiteral("unknown line"));
        }
        while (pos < trimmed.size() && trimmed.at(pos).isSpace())
            ++pos;
        if (pos >= trimmed.size() || trimmed.at(pos) != u'=')
            return fail(i, QStringLiteral("\"=\" missing after the value name"));
        QString data = trimmed.mid(pos + 1).trimmed();
        // Byte lists continue on the following lines after a trailing backslash.
        if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            while (data.endsWith(u'\\')) {
                data.chop(1);
                if (++i >= lines.size())
                    return fail(first, QStringLiteral("byte list cut short"));
                QString next = lines.at(i);
                if (next.endsWith(u'\r'))
                    next.chop(1);
                data.append(next.trimmed());
            }
        }
        CRegistryValue value;
        QString reason;
        if (!ReadValueData(data, &value, &reason))
            return fail(first, reason);
        if (parsed.SetValue(keyPath, name, value) != ERROR_SUCCESS)
            return fail(first, QStringLiteral("bad value name"));
    }
    if (!headerSeen && !parsed.IsEmpty())
        return fail(0, QStringLiteral("the file does not begin with the header"));
    *keys = std::move(parsed);
    return true;
}
