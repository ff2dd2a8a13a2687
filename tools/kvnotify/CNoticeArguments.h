#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class CNoticeWriter;

// Turns kvnotify's typed arguments ("u32:7", "s:text", ...) into a notice body. Integers are
// decimal or 0x hex and must fit their type; u32 also takes negative values as two's complement
// so that HRESULTs can be given the way they are printed.
class CNoticeArguments {
public:
    // Writes TYPE and then every argument in order. False, with *error naming the offending
    // argument, when one cannot be read; the writer is then incomplete.
    static bool Build(const QString& type, const QStringList& arguments, CNoticeWriter* writer,
                      QString* error);
    static bool Append(const QString& argument, CNoticeWriter* writer, QString* error);

    // A u32 by the rules above; nothing when the text is not one.
    static std::optional<quint32> ParseU32(const QString& text);
};
