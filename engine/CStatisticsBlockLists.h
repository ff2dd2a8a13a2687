#pragma once

#include "core/HResult.h"
#include "core/Types.h"

#include <QByteArray>
#include <QList>

class CNoticeReader;

// The lists behind the statistics views that an engine may append to a statistics block after
// its last field (#92): the most fragmented files and directories, the files left out of the
// passes, and the files by extension. Layout, little-endian, strings as in the block:
//   u32 kMagic;
//   u32 count, then per entry: string path, u32 fragments, u64 bytes, u8 1 for a directory;
//   u32 count, then per entry: string path, u32 reason, i32 error (HRESULT, reason 3),
//       i32 excess fragments (-1 not known), u64 bytes;
//   u32 count, then per entry: string extension (lower case, no dot, empty for none), u64 files,
//       u64 bytes.
// Each count is checked against what is left before anything is allocated.
class CStatisticsBlockLists {
public:
    static constexpr quint32 kMagic = 0x5453494C; // "LIST"

    // The reasons of an excluded entry, as the excluded-files view words them.
    static constexpr quint32 kAccessDenied = 0;
    static constexpr quint32 kMetadata = 1;
    static constexpr quint32 kSystemFile = 2;
    static constexpr quint32 kError = 3;
    static constexpr quint32 kExcludedFile = 4;

    struct TFragmented {
        TString path;
        quint32 fragments = 0;
        quint64 bytes = 0;
        bool directory = false;

        bool operator==(const TFragmented&) const = default;
    };
    struct TExcluded {
        TString path;
        quint32 reason = kExcludedFile;
        HRESULT error = S_OK;
        qint32 excessFragments = -1;
        quint64 bytes = 0;

        bool operator==(const TExcluded&) const = default;
    };
    struct TFileType {
        TString extension;
        quint64 files = 0;
        quint64 bytes = 0;

        bool operator==(const TFileType&) const = default;
    };

    // Most fragments first.
    QList<TFragmented> mostFragmented;
    QList<TExcluded> excluded;
    // Most bytes first.
    QList<TFileType> fileTypes;

    // The bytes to append to a block.
    QByteArray Encode() const;
    // Reads the lists at the reader's position. S_FALSE, with *lists emptied, when nothing
    // follows or what follows is not these lists; kMalformed, with *lists emptied, when the
    // lists do not fit in what is left.
    static HRESULT Read(CNoticeReader& reader, CStatisticsBlockLists* lists);

    static constexpr HRESULT kMalformed = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

    bool operator==(const CStatisticsBlockLists&) const = default;
};
