#pragma once

#include <QDateTime>
#include <QMetaType>

// The date-time as the engine's records carry it: an OLE automation date and a validity
// status, where a non-zero status makes the value meaningless whatever it holds.
class CDateTime {
public:
    static constexpr quint32 StatusValid = 0;
    static constexpr quint32 StatusInvalid = 1;

    CDateTime() = default;
    explicit CDateTime(double value, quint32 status = StatusValid);

    // An invalid or unrepresentable date gives status invalid with COleDate::Invalid.
    static CDateTime FromDateTime(const QDateTime& dateTime);

    double Value() const { return m_value; }
    quint32 Status() const { return m_status; }
    // Valid status and a value that converts to a date.
    bool IsValid() const;
    // Local time; invalid unless IsValid().
    QDateTime ToDateTime() const;

    bool operator==(const CDateTime& other) const = default;

private:
    double m_value = 0.0;
    quint32 m_status = StatusValid;
};

Q_DECLARE_METATYPE(CDateTime)
