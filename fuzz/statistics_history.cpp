// What the agent answers about the past: the log text of the newer agents, and the property bags
// of the log, of the statistics points and of the free-space points. A refused answer must leave
// every output as it was.
//
// Input: one byte choosing the reader, then the log text or the bag (PropertyBagText) as UTF-16LE
// units.

#include "FuzzSupport.h"

#include "engine/CStatisticsHistory.h"

#include "PropertyBagText.h"

#include <cstdint>

namespace {

using CLogPoint = CStatisticsHistory::CLogPoint;
using CDataPoint = CStatisticsHistory::CDataPoint;

template <typename T>
void CheckUntouchedOnFailure(HRESULT result, const T& before, const T& after)
{
    if (FAILED(result))
        FUZZ_CHECK(before == after);
}

const QList<CLogPoint> kMarkedLog = {{CDateTime(40000.5), L"marked", 1, 2, L"left alone"}};
const QList<CDataPoint> kMarkedPoints = {{CDateTime(40000.5), 1.5, 2.5}};
constexpr int kMarkedTotal = -7;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QString text = FuzzUtf16(data + 1, size - 1);
    switch (data[0] % 4) {
    case 0: {
        QList<CLogPoint> points = kMarkedLog;
        int total = kMarkedTotal;
        const HRESULT result =
            CStatisticsHistory::ParseLogText(text.toStdWString(), &points, &total);
        CheckUntouchedOnFailure(result, kMarkedLog, points);
        CheckUntouchedOnFailure(result, kMarkedTotal, total);
        break;
    }
    case 1: {
        QList<CLogPoint> points = kMarkedLog;
        int total = kMarkedTotal;
        const HRESULT result =
            CStatisticsHistory::ParseLogBag(PropertyBagText::Read(text), &points, &total);
        CheckUntouchedOnFailure(result, kMarkedLog, points);
        CheckUntouchedOnFailure(result, kMarkedTotal, total);
        break;
    }
    case 2: {
        QList<CDataPoint> files = kMarkedPoints;
        QList<CDataPoint> freeSpace = kMarkedPoints;
        QList<CDataPoint> performance = kMarkedPoints;
        const HRESULT result = CStatisticsHistory::ParseStatisticsBag(
            PropertyBagText::Read(text), &files, &freeSpace, &performance);
        CheckUntouchedOnFailure(result, kMarkedPoints, files);
        CheckUntouchedOnFailure(result, kMarkedPoints, freeSpace);
        CheckUntouchedOnFailure(result, kMarkedPoints, performance);
        if (SUCCEEDED(result))
            FUZZ_CHECK(files.size() == freeSpace.size() && files.size() == performance.size());
        break;
    }
    default: {
        QList<CDataPoint> freeSpace = kMarkedPoints;
        const HRESULT result =
            CStatisticsHistory::ParseFreeSpaceBag(PropertyBagText::Read(text), &freeSpace);
        CheckUntouchedOnFailure(result, kMarkedPoints, freeSpace);
        break;
    }
    }
    return 0;
}
