#pragma once

#include <QByteArray>

#include <string>

// Lays out the bytes of a schedule template: little-endian numbers without padding, strings as
// a count of UTF-16 code units and the units. The caller runs the same sequence of puts twice:
// first to count the size, then, after Allocate(), to fill a buffer of exactly that size.
class CScheduleFileEncoder {
public:
    void PutU8(quint8 value);
    void PutBool(bool value) { PutU8(value ? 1 : 0); }
    void PutU32(quint32 value);
    void PutF64(double value);
    void PutBytes(const char* data, qsizetype size);
    void PutString(const std::wstring& text);
    // Counts must fit in 32 bits; larger ones are not representable in the file.
    void PutCount(std::size_t count) { PutU32(static_cast<quint32>(count)); }

    // Bytes put so far.
    qsizetype Size() const { return m_position; }
    // Ends the counting run: the buffer takes the counted size and the next run fills it.
    void Allocate();
    // The filled buffer; complete once the filling run has put as much as the counting run.
    const QByteArray& Buffer() const { return m_buffer; }

private:
    void Put(const void* data, qsizetype size);

    QByteArray m_buffer;
    qsizetype m_position = 0;
    bool m_filling = false;
};
