#pragma once

#include "core/HResult.h"
#include "schedule/CCadence.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Schedule templates: a schedule record saved to a file and loaded again, for the wizards of
// drive (T = CCadence::CScheduleData), Exchange (CExScheduleData) and guest (CVmScheduleData)
// schedules, which take this in as a mix-in.
//
// A file is an 8-byte tag naming its kind, the name, the settings and the kind's own part, all
// little-endian without padding. The source, the running flag and the exclusion windows are not
// stored. Each kind accepts the tags of all three and reads the rest as its own kind.
template <class T>
class CScheduleDataFileIO {
public:
    // Now, as an OLE date.
    using TClock = std::function<double()>;

    // 0, or the Win32 error code of the open or the write.
    DWORD Write(const QString& fileName, const T& record) const;
    // 0, the Win32 error code of the open or the read, or ERROR_FILE_CORRUPT when the tag is
    // not a template's or the file is too short for what it declares. The record is only
    // changed on success; the fields the file does not hold keep their values. A start or a
    // next run that is not set becomes ten minutes from now.
    DWORD Read(const QString& fileName, T& record) const;

    // The file's bytes for a record.
    static QByteArray Encode(const T& record);
    // Read() without the file.
    DWORD Decode(const QByteArray& contents, T& record) const;

    // The clock that gives "now" to Read(); an empty one restores the system clock.
    void SetClock(TClock clock) { m_clock = std::move(clock); }

private:
    double Now() const;

    TClock m_clock;
};

extern template class CScheduleDataFileIO<CCadence::CScheduleData>;
extern template class CScheduleDataFileIO<CCadence::CExScheduleData>;
extern template class CScheduleDataFileIO<CCadence::CVmScheduleData>;
