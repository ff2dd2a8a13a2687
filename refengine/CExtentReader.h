#pragma once

#include <QtGlobal>

#include <memory>
#include <span>
#include <vector>

// The extents of open files, by the FIEMAP ioctl, else by FIBMAP (which needs CAP_SYS_RAWIO),
// else unknown (tmpfs, for instance). One reader serves one file system at a time: it remembers
// which of the two the file system supports. Reading reuses the reader's buffers, so that a
// walk over many files allocates nothing per file.
class CExtentReader {
public:
    struct TExtent {
        quint64 logical = 0;
        // Byte offset on the device; 0 for an extent without a place of its own (see Placed).
        quint64 physical = 0;
        quint64 length = 0;
        // FIEMAP_EXTENT_* flags as the file system reports them.
        quint32 flags = 0;
    };

    // Fragments counted as "filefrag -v" counts its "N extents found": an extent adds one unless
    // it starts at logical 0 or continues the one before it physically, either directly after
    // it or at the distance of the logical gap between them (a hole). A file without extents
    // has 0; a file whose only extents continue is 1.
    class TFragmentCounter {
    public:
        void Add(const TExtent& extent);
        int Count() const { return m_count; }

    private:
        TExtent m_last;
        int m_count = 0;
    };

    enum class TMethod { Fiemap, Fibmap, Unknown };
    static constexpr int kUnknownFragments = -1;

    CExtentReader();
    ~CExtentReader();
    CExtentReader(const CExtentReader&) = delete;
    CExtentReader& operator=(const CExtentReader&) = delete;

    // Maps the file behind fd (a regular file or directory) and answers its fragment count, or
    // kUnknownFragments when neither ioctl can map it. sizeBytes (st_size) bounds the FIBMAP
    // fallback.
    int Read(int fd, quint64 sizeBytes);

    const std::vector<TExtent>& Extents() const { return m_extents; }
    int Fragments() const { return m_fragments; }
    TMethod Method() const { return m_method; }

    // Whether the extent has a place on the device of its own: not inline in the inode, not
    // waiting for allocation, not of unknown location.
    static bool Placed(const TExtent& extent);
    static int CountFragments(std::span<const TExtent> extents);

private:
    bool ReadFiemap(int fd, int* error);
    bool ReadFibmap(int fd, quint64 sizeBytes, int* error);
    // Counts, then clears the positions that are not really on the device.
    void Finish();

    std::unique_ptr<quint64[]> m_request;
    std::vector<TExtent> m_extents;
    int m_fragments = kUnknownFragments;
    TMethod m_method = TMethod::Unknown;
    bool m_fiemapUnsupported = false;
    bool m_fibmapUnsupported = false;
};
