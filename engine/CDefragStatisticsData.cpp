#include "engine/CDefragStatisticsData.h"

#include "engine/CKV100EngineInterface.h"
#include "engine/CStatisticsBlock.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kDefragStatisticsMsPerDay = 86'400'000.0;

// The fields every record made from a block shares. Analysis and online blocks are dated at the
// end of the pass, offline blocks at its start.
void DefragStatisticsFillBase(const CStatisticsBlock& block, bool datedAtEnd,
                              const CDefragStatisticsData::TIsNtfs& isNtfs,
                              CDefragStatisticsData::CBase* record)
{
    const double date = block.Date();
    const double days = block.DurationMs() / kDefragStatisticsMsPerDay;
    record->startTime = CDateTime(datedAtEnd ? date - days : date);
    record->endTime = CDateTime(datedAtEnd ? date : date + days);
    record->cpuTime = block.F64(12);
    record->ntfs = isNtfs && isNtfs(block.VolumeId());
}

// S and V: the first of the three stop reasons that is not zero, numbered from 1.
void DefragStatisticsStopReason(const CStatisticsBlock& block, quint32* reason, quint32* value)
{
    for (quint32 which = 1; which <= 3; ++which) {
        const quint32 field = block.U32(static_cast<int>(76 + which));
        if (field != 0) {
            *reason = which;
            *value = field;
            return;
        }
    }
    *reason = 0;
    *value = 0;
}

// The system files' figures, which the analysis and the online pass report alike.
template <typename TRecord>
void DefragStatisticsSystemFiles(const CStatisticsBlock& block, int scale, TRecord& r)
{
    const auto scaled = [&block, scale](int field) { return block.F64(field) * scale; };
    r.metadataSize = scaled(55);
    r.metadataExcessFragments = block.U32(57);
    r.metadataFragmentation = block.Real(58);
    r.metadataStatus = CDefragStatisticsData::LevelRating(block.U32(59));
    r.mftSize = scaled(51);
    r.mftExcessFragments = block.U32(50);
    r.mftFragmentation = block.Real(52);
    r.mftStatus = CDefragStatisticsData::LevelRating(block.U32(53));
    r.pagefileExcessFragments = block.U32(46);
    r.pagefileSize = scaled(47);
    r.pagefileFragmentation = block.Real(48);
    r.pagefileStatus = CDefragStatisticsData::LevelRating(block.U32(49));
    r.bootFilesSize = scaled(69);
    r.bootFilesExcessFragments = block.U32(43);
    r.bootFilesFragmentation = block.Real(44);
    r.bootFilesStatus = CDefragStatisticsData::LevelRating(block.U32(45));
}

} // namespace

std::unique_ptr<CDefragStatisticsData::CBase> CDefragStatisticsData::CAnalyse::Clone() const
{
    return std::make_unique<CAnalyse>(*this);
}

std::unique_ptr<CDefragStatisticsData::CBase> CDefragStatisticsData::COnline::Clone() const
{
    return std::make_unique<COnline>(*this);
}

std::unique_ptr<CDefragStatisticsData::CBase> CDefragStatisticsData::COffline::Clone() const
{
    return std::make_unique<COffline>(*this);
}

std::unique_ptr<CDefragStatisticsData::CBase> CDefragStatisticsData::CSelectedFiles::Clone() const
{
    return std::make_unique<CSelectedFiles>(*this);
}

std::unique_ptr<CDefragStatisticsData::CBase> CDefragStatisticsData::CFTNotExceeded::Clone() const
{
    return std::make_unique<CFTNotExceeded>(*this);
}

std::unique_ptr<CDefragStatisticsData::CBase>
CDefragStatisticsData::CInsufficientFreeSpace::Clone() const
{
    return std::make_unique<CInsufficientFreeSpace>(*this);
}

int CDefragStatisticsData::LevelRating(quint32 code)
{
    switch (code) {
    case 2:
        return 1;
    case 3:
        return 2;
    default:
        return 0;
    }
}

int CDefragStatisticsData::Rating10To20(double value)
{
    return value >= 20.0 ? 2 : value >= 10.0 ? 1 : 0;
}

int CDefragStatisticsData::Rating3To8(double value)
{
    return value >= 8.0 ? 2 : value >= 3.0 ? 1 : 0;
}

int CDefragStatisticsData::Rating50To80(double value)
{
    if (std::isnan(value) || value > 80.0)
        return 0;
    return value >= 50.0 ? 1 : 2;
}

HRESULT CDefragStatisticsData::MakeAnalyse(const CStatisticsBlock& block, int scale,
                                           const TIsNtfs& isNtfs, std::unique_ptr<CAnalyse>* record)
{
    if (!record)
        return E_POINTER;
    if (block.Kind() != CStatisticsBlock::kAnalysis)
        return E_INVALIDARG;
    auto made = std::make_unique<CAnalyse>();
    CAnalyse& r = *made;
    const auto scaled = [&block, scale](int field) { return block.F64(field) * scale; };
    DefragStatisticsFillBase(block, true, isNtfs, &r);
    r.fileFragmentationStatus = LevelRating(block.U32(34));
    r.fileFragmentation = block.Real(33);
    r.fragmentedFiles = block.U32(28);
    r.excessFileFragments = block.U32(31);
    r.directoryFragmentationStatus = LevelRating(block.U32(40));
    r.directoryFragmentation = block.Real(39);
    r.fragmentedDirectories = block.U32(36);
    r.excessDirectoryFragments = block.U32(38);
    r.freeSpaceFragmentationRating = Rating10To20(block.Real(22));
    r.freeSpaceFragmentation = block.Real(22);
    r.performanceRating = Rating50To80(block.F64(81));
    r.performance = block.F64(81);
    DefragStatisticsSystemFiles(block, scale, r);
    r.largestFreeSpaceChunk = scaled(17);
    r.largestFreeSpaceChunkStatus = LevelRating(block.U32(23));
    DefragStatisticsStopReason(block, &r.stopReason, &r.stopReasonValue);
    r.categories = block.CategoryTable();
    r.lists = block.Lists();
    *record = std::move(made);
    return S_OK;
}

HRESULT CDefragStatisticsData::MakeAnalyse(const QByteArray& block, int scale,
                                           const TIsNtfs& isNtfs, std::unique_ptr<CAnalyse>* record)
{
    if (!record)
        return E_POINTER;
    CStatisticsBlock decoded;
    const HRESULT result = CStatisticsBlock::Decode(block, &decoded);
    return FAILED(result) ? result : MakeAnalyse(decoded, scale, isNtfs, record);
}

HRESULT CDefragStatisticsData::MakeOnline(const CStatisticsBlock& block, int scale,
                                          const TIsNtfs& isNtfs, std::unique_ptr<COnline>* record)
{
    if (!record)
        return E_POINTER;
    if (block.Kind() != CStatisticsBlock::kOnline)
        return E_INVALIDARG;
    auto made = std::make_unique<COnline>();
    COnline& r = *made;
    const auto scaled = [&block, scale](int field) { return block.F64(field) * scale; };
    DefragStatisticsFillBase(block, true, isNtfs, &r);
    r.fileFragmentationStatus = LevelRating(block.U32(34));
    r.fileFragmentationBefore = block.Real(32);
    r.fileFragmentationAfter = block.Real(33);
    r.fragmentedFilesBefore = block.U32(29);
    r.fragmentedFilesAfter = block.U32(28);
    r.excessFileFragments = block.U32(31);
    // The signed difference, none when there are more fragmented files after the pass.
    r.filesDefragmented = block.U32(29) > block.U32(28) ? block.U32(29) - block.U32(28) : 0;
    r.freeSpaceFragmentationRating = Rating10To20(block.Real(22));
    r.freeSpaceFragmentationBefore = block.Real(21);
    r.freeSpaceFragmentationAfter = block.Real(22);
    r.performanceRating = Rating50To80(block.F64(81));
    r.performanceBefore = block.F64(80);
    r.performanceAfter = block.F64(81);
    r.largestFreeSpaceChunkBefore = scaled(17);
    r.largestFreeSpaceChunkAfter = scaled(18);
    r.largestFreeSpaceChunkStatus = LevelRating(block.U32(23));
    r.directoryFragmentationRating = Rating3To8(block.Real(39));
    r.directoryFragmentation = block.Real(39);
    r.fragmentedDirectories = block.U32(36);
    r.excessDirectoryFragments = block.U32(38);
    DefragStatisticsSystemFiles(block, scale, r);
    DefragStatisticsStopReason(block, &r.stopReason, &r.stopReasonValue);
    r.categories = block.CategoryTable();
    r.lists = block.Lists();
    *record = std::move(made);
    return S_OK;
}

HRESULT CDefragStatisticsData::MakeOnline(const QByteArray& block, int scale, const TIsNtfs& isNtfs,
                                          std::unique_ptr<COnline>* record)
{
    if (!record)
        return E_POINTER;
    CStatisticsBlock decoded;
    const HRESULT result = CStatisticsBlock::Decode(block, &decoded);
    return FAILED(result) ? result : MakeOnline(decoded, scale, isNtfs, record);
}

HRESULT CDefragStatisticsData::MakeOffline(const CStatisticsBlock& block, const TIsNtfs& isNtfs,
                                           std::unique_ptr<COffline>* record)
{
    if (!record)
        return E_POINTER;
    if (block.Kind() != CStatisticsBlock::kOffline)
        return E_INVALIDARG;
    auto made = std::make_unique<COffline>();
    DefragStatisticsFillBase(block, false, isNtfs, made.get());
    const auto t = [&block](int index) { return qint64{block.I32(82 + index)}; };
    // The MFT counts once; each other group counts its files. Summed wide, so that counts beyond
    // 32 bits saturate instead of wrapping.
    const qint64 improved = (t(1) < t(0) ? 1 : 0) + (t(4) < t(3) ? t(2) : 0) +
                            (t(7) < t(6) ? t(5) : 0) + (t(10) < t(9) ? t(8) : 0);
    made->systemFilesDefragmented = static_cast<qint32>(std::clamp<qint64>(
        improved, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
    const auto v = [&block](int index) { return block.I32(82 + index); };
    made->excessFragmentsBefore = {v(0), v(3), v(6), v(9)};
    made->excessFragmentsAfter = {v(1), v(4), v(7), v(10)};
    made->fileCounts = {v(2), v(5), v(8)};
    *record = std::move(made);
    return S_OK;
}

HRESULT CDefragStatisticsData::MakeOffline(const QByteArray& block, const TIsNtfs& isNtfs,
                                           std::unique_ptr<COffline>* record)
{
    if (!record)
        return E_POINTER;
    CStatisticsBlock decoded;
    const HRESULT result = CStatisticsBlock::Decode(block, &decoded);
    return FAILED(result) ? result : MakeOffline(decoded, isNtfs, record);
}

HRESULT CDefragStatisticsData::MakeFTNotExceeded(CKV100EngineInterface& engine, const TId& volume,
                                                 const TIsNtfs& isNtfs,
                                                 std::unique_ptr<CFTNotExceeded>* record)
{
    if (!record)
        return E_POINTER;
    double value = 0.0;
    uint count = 0;
    const HRESULT result = engine.GetFTNotExceeded(volume, &value, &count);
    if (FAILED(result))
        return result;
    auto made = std::make_unique<CFTNotExceeded>();
    made->value = value;
    made->count = count;
    made->ntfs = isNtfs && isNtfs(volume);
    *record = std::move(made);
    return result;
}

HRESULT
CDefragStatisticsData::MakeInsufficientFreeSpace(CKV100EngineInterface& engine, const TId& volume,
                                                 const TIsNtfs& isNtfs,
                                                 std::unique_ptr<CInsufficientFreeSpace>* record)
{
    if (!record)
        return E_POINTER;
    double value = 0.0;
    const HRESULT result = engine.GetInsufficientFreeSpace(volume, &value);
    if (FAILED(result))
        return result;
    auto made = std::make_unique<CInsufficientFreeSpace>();
    made->value = value;
    made->ntfs = isNtfs && isNtfs(volume);
    *record = std::move(made);
    return result;
}
