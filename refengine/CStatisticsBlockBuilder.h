#pragma once

#include "engine/CStatisticsBlockLists.h"
#include "refengine/TAnalysisFigures.h"
#include "refengine/TVolumeDescription.h"

#include <QByteArray>

// The engine's statistics blocks, written from what a walk found. Fields the console reads:
// #1 date, #2 computer, #3 volume id, #4 mount point, #5 label, #6 file system, #7 product,
// #8 engine version; #9 size in bytes, #10 cluster size; #11 duration and #12 time spent, both
// in milliseconds; #13 files, #14 directories, #15 file bytes, #16 free bytes; #17 and #18 the
// largest free run before and after, in clusters; #19/#20 file and #21/#22 free-space
// fragmentation before and after; #23 the largest free run's level; #28/#29 fragmented files
// after and before; #31 excess file fragments; #32/#33 file fragmentation before and after;
// #34 its level; #36, #38, #39, #40 fragmented directories, their excess fragments, their
// share and its level; #55, #57 to #59 metadata (space in use that no file or directory
// accounts for); boot, page file and MFT figures are 0 (none of them on these file systems);
// #75 the category table (with the free bytes as category 9), #76 the fragment histogram;
// #78/#79 the next pass recommended (Defrag Only, TierLayout) with the reasons as a mask;
// #80/#81 performance before and after. Level codes: 1 good, 2 fair, 3 poor. After #92 follow
// the lists (CStatisticsBlockLists) of the figures the block describes.
class CStatisticsBlockBuilder {
public:
    CStatisticsBlockBuilder() = delete;

    // Kind 0: the analysis.
    static QByteArray Analysis(const TVolumeDescription& volume, const TAnalysisFigures& figures,
                               double date, qint64 durationMs);
    // Kind 2: an online pass with the figures before and after it.
    static QByteArray Online(const TVolumeDescription& volume, const TAnalysisFigures& before,
                             const TAnalysisFigures& after, double date, qint64 durationMs);
    // The figures a pass of the method leaves, done to the share given (0 to 1): fragmented
    // files made whole, and for the consolidating methods the free space made one run.
    static TAnalysisFigures Improved(const TAnalysisFigures& before, int method, double done);

    // The lists of the views: the most fragmented files and directories together (at most
    // kListLength, most fragments first), what the walk could not read followed by the
    // excluded files, and the file types.
    static CStatisticsBlockLists Lists(const TAnalysisFigures& figures);

    // The next pass the figures call for, as the block's fields #77 to #79 hold it: the field
    // (0 for none) and the reasons (0x01 files, 0x02 directories, 0x04 the largest free run is
    // small, 0x40 the free space is scattered). Fragmented files or directories alone ask for
    // Defrag Only (#78); free space in need of consolidation asks for TierLayout (#79), which
    // also makes files whole. System files (#77) are never recommended: none of these file
    // systems has them.
    struct TRecommendation {
        int field = 0;
        quint32 reasons = 0;
    };
    static TRecommendation Recommend(const TAnalysisFigures& figures);

    // 1 good, 2 fair, 3 poor by the thresholds (below fair, below poor).
    static quint32 Level(double value, double fair, double poor);
};
