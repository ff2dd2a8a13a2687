#pragma once

#include <QList>

// A defragmentation pass played out over a drive map, never over the drive itself: from the
// analysed map it works out the map the method would leave, then changes the blocks towards it
// a few at a time, in map order. Defrag Only clears the fragmented marks where they are;
// Consolidate Free Space packs the movable blocks (files, directories, used space) to the front
// in their order; TierLayout does the same with the movable blocks grouped by zone (boot,
// directories, rarely, occasionally, recently modified, in the given zone order; used space last).
// Blocks of other kinds (metadata, excluded, unknown) stay where they are.
class CDefragSimulation {
public:
    enum TMethod { kTierLayout = 0, kDefragOnly = 1, kConsolidateFreeSpace = 2 };

    struct TRun {
        quint8 type = 0;
        quint32 start = 0;
        quint32 length = 0;
        bool operator==(const TRun&) const = default;
    };

    // zoneOrder: the five zones first to last (0 boot, 1 directories, 2 rarely, 3 occasionally,
    // 4 recently modified); anything but a permutation of 0..4 means the natural order.
    CDefragSimulation(QList<quint8> map, int method, const QList<uint>& zoneOrder = {});

    const QList<quint8>& Current() const { return m_current; }
    const QList<quint8>& Target() const { return m_target; }
    // Changes up to maxBlocks more blocks; the runs changed, neighbours of one type merged into
    // one run. Empty once the map is the target.
    QList<TRun> Step(int maxBlocks);
    bool Done() const { return m_next >= m_current.size(); }
    // Blocks to change in all, and changed so far.
    int Total() const { return m_total; }
    int Changed() const { return m_changed; }

    static bool IsMovable(quint8 code);

private:
    QList<quint8> m_current;
    QList<quint8> m_target;
    qsizetype m_next = 0;
    int m_total = 0;
    int m_changed = 0;
};
