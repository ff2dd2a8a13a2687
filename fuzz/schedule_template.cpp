// Schedule template files of the three kinds (drive, Exchange, guest). A file that loads must
// save to a file that loads to the same record; a file that does not load must leave the record
// as it was.
//
// Input: one byte choosing the kind of the wizard that opens the file, then the file.

#include "FuzzSupport.h"

#include "schedule/CScheduleDataFileIO.h"

#include <cstdint>

namespace {

constexpr double kNow = 45000.25; // a fixed "now", so that a run decides the same every time

template <class T>
void Load(const QByteArray& contents)
{
    CScheduleDataFileIO<T> io;
    io.SetClock([] { return kNow; });

    T record;
    const QByteArray before = CScheduleDataFileIO<T>::Encode(record);
    const DWORD result = io.Decode(contents, record);
    if (result != ERROR_SUCCESS) {
        FUZZ_CHECK(CScheduleDataFileIO<T>::Encode(record) == before);
        return;
    }
    const QByteArray saved = CScheduleDataFileIO<T>::Encode(record);
    T reloaded;
    FUZZ_CHECK(io.Decode(saved, reloaded) == ERROR_SUCCESS);
    FUZZ_CHECK(CScheduleDataFileIO<T>::Encode(reloaded) == saved);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray contents(reinterpret_cast<const char*>(data) + 1,
                              static_cast<qsizetype>(size - 1));
    switch (data[0] % 3) {
    case 0:
        Load<CCadence::CScheduleData>(contents);
        break;
    case 1:
        Load<CCadence::CExScheduleData>(contents);
        break;
    default:
        Load<CCadence::CVmScheduleData>(contents);
        break;
    }
    return 0;
}
