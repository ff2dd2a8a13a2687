#pragma once

#include <QByteArrayView>

#include <string>

// Reads the bytes of a schedule template in the layout CScheduleFileEncoder writes. Every read
// checks the length first: one that would go past the end fails, leaves its output alone, and
// makes every later read fail too.
class CScheduleFileDecoder {
public:
    explicit CScheduleFileDecoder(QByteArrayView data);

    bool TakeU8(quint8& value);
    // Any non-zero byte is true.
    bool TakeBool(bool& value);
    bool TakeU32(quint32& value);
    bool TakeF64(double& value);
    bool TakeString(std::wstring& text);
    // A list's count of entries, each at least minimumEntrySize bytes long: a count the rest of
    // the data cannot hold fails at once, before anything is made for the entries.
    bool TakeCount(quint32& count, qsizetype minimumEntrySize);

    qsizetype Remaining() const { return m_failed ? 0 : m_data.size() - m_position; }
    bool Failed() const { return m_failed; }

private:
    // Points bytes at the next size bytes; false (and the failed state) when there are fewer.
    bool Take(qsizetype size, const char*& bytes);

    QByteArrayView m_data;
    qsizetype m_position = 0;
    bool m_failed = false;
};
