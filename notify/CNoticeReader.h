#pragma once

#include <QByteArray>

#include <string>

// Reads the items of a notice body in order: little-endian, packed u8, u32, u64, f64 and
// strings (a u32 count of UTF-16 code units, then the units, no terminator). Every read checks
// the remaining length first; a read that does not fit answers false, leaves its output and
// the position untouched, and so does every read after it.
class CNoticeReader {
public:
    explicit CNoticeReader(const QByteArray& body)
        : m_body(body)
    {}

    bool U8(quint8* value);
    bool U32(quint32* value);
    bool I32(qint32* value);
    bool U64(quint64* value);
    bool I64(qint64* value);
    bool F64(double* value);
    bool String(std::wstring* value);

    // False once a read has not fitted.
    bool Ok() const { return m_ok; }
    qsizetype Position() const { return m_position; }
    qsizetype Remaining() const { return m_body.size() - m_position; }

private:
    // Takes n bytes, or fails the reader.
    const char* Take(quint64 n);

    QByteArray m_body; // shared with the caller, not copied
    qsizetype m_position = 0;
    bool m_ok = true;
};
