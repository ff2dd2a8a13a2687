#pragma once

#include "core/HResult.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QPair>
#include <QString>

// The process-wide catalogue of translations: (source text, context name) to the translated
// text. Source texts and context names are 8-bit texts in the locale's encoding (UTF-8 here),
// exactly as the code spells them. One lock guards loading and every lookup.
//
// A catalogue file is UTF-16LE text of lines ending in "\r\n". The first line is
// "#KVHOME_TRANSLATION_FILE" or "KVHOME_TRANSLATION_FILE"; every further line holds three
// tab-separated fields, each enclosed in one character (quotes) after trimming: source text,
// translation, context name. Source and translation take backslash escapes (\n \r \t \v \b \f;
// a backslash before any other character gives that character). A later line with the same
// source and context replaces the earlier one.
class CTranslationCatalog {
public:
    static constexpr qint64 kMaximumFileSize = 16 * 1024 * 1024;

    static CTranslationCatalog& Instance();

    // Loads a catalogue file into the catalogue. E_FAIL for a wrong first line (nothing added) or
    // a line without exactly three fields (the entries before it stay); the file's own error
    // when it cannot be read (a folder or a named pipe is refused at once with
    // ERROR_ACCESS_DENIED, CRegularFile); ERROR_FILE_TOO_LARGE above 16 MiB.
    HRESULT LoadFile(const QString& path);
    // The same for a file's bytes.
    HRESULT LoadBytes(const QByteArray& bytes);
    // The same for decoded text.
    HRESULT LoadText(const QString& text);

    // The translation of a source text in a context; false when there is none.
    bool Lookup(const QByteArray& source, const QByteArray& context, QString* translation) const;
    // The translation, or the source text itself when there is none.
    QString Translate(const QByteArray& source, const QByteArray& context) const;

    void Clear();
    qsizetype Count() const;

    // Resolves the backslash escapes of a field.
    static QString Unescape(const QString& field);
    // Trims spaces, tabs, CR and LF at both ends and drops the enclosing first and last
    // character.
    static QString Unquote(const QString& field);

private:
    using TKey = QPair<QByteArray, QByteArray>;

    mutable QMutex m_mutex;
    QHash<TKey, QString> m_entries;
};
