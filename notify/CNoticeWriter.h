#pragma once

#include <QByteArray>
#include <QString>

#include <string>

// Builds a notice body in the encoding CNoticeReader reads.
class CNoticeWriter {
public:
    CNoticeWriter& U8(quint8 value);
    CNoticeWriter& U32(quint32 value);
    CNoticeWriter& I32(qint32 value);
    CNoticeWriter& U64(quint64 value);
    CNoticeWriter& I64(qint64 value);
    CNoticeWriter& F64(double value);
    CNoticeWriter& String(const QString& value);
    CNoticeWriter& String(const std::wstring& value);

    const QByteArray& Body() const { return m_body; }

private:
    QByteArray m_body;
};
