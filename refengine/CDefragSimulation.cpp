#include "refengine/CDefragSimulation.h"

#include <algorithm>
#include <array>

namespace {

constexpr quint8 kSimulationFree = 9;
constexpr quint8 kSimulationUsed = 10;

quint8 SimulationCategory(quint8 code)
{
    return code & 0x0F;
}

// The zone of a movable category: 0 boot, 1 directory, 2 rarely, 3 occasionally, 4 recently
// modified; used space of unknown kind goes after all of them.
int SimulationZone(quint8 category)
{
    switch (category) {
    case 8:
        return 0;
    case 4:
        return 1;
    case 1:
        return 2;
    case 2:
        return 3;
    case 3:
        return 4;
    default:
        return 5;
    }
}

} // namespace

bool CDefragSimulation::IsMovable(quint8 code)
{
    const quint8 category = SimulationCategory(code);
    return (category >= 1 && category <= 4) || category == 8 || category == kSimulationUsed;
}

CDefragSimulation::CDefragSimulation(QList<quint8> map, int method, const QList<uint>& zoneOrder)
    : m_current(std::move(map))
    , m_target(m_current)
{
    if (method == kDefragOnly) {
        for (quint8& code : m_target)
            code = SimulationCategory(code);
    } else {
        std::array<int, 6> rank{0, 1, 2, 3, 4, 5};
        QList<uint> sorted = zoneOrder;
        std::sort(sorted.begin(), sorted.end());
        if (method == kTierLayout && sorted == QList<uint>{0, 1, 2, 3, 4}) {
            for (int position = 0; position < 5; ++position)
                rank[zoneOrder.at(position)] = position;
        }
        QList<quint8> movable;
        for (quint8 code : std::as_const(m_current)) {
            if (IsMovable(code))
                movable.append(SimulationCategory(code));
        }
        if (method == kTierLayout) {
            std::stable_sort(movable.begin(), movable.end(), [&rank](quint8 a, quint8 b) {
                return rank[SimulationZone(a)] < rank[SimulationZone(b)];
            });
        }
        qsizetype taken = 0;
        for (qsizetype index = 0; index < m_target.size(); ++index) {
            const quint8 code = m_current.at(index);
            if (!IsMovable(code) && SimulationCategory(code) != kSimulationFree)
                continue;
            m_target[index] = taken < movable.size() ? movable.at(taken++) : kSimulationFree;
        }
    }
    for (qsizetype index = 0; index < m_current.size(); ++index)
        m_total += m_current.at(index) != m_target.at(index) ? 1 : 0;
}

QList<CDefragSimulation::TRun> CDefragSimulation::Step(int maxBlocks)
{
    QList<TRun> runs;
    int budget = std::max(1, maxBlocks);
    while (m_next < m_current.size() && budget > 0) {
        const quint8 wanted = m_target.at(m_next);
        if (m_current.at(m_next) != wanted) {
            m_current[m_next] = wanted;
            ++m_changed;
            --budget;
            if (!runs.isEmpty() && runs.last().type == wanted &&
                runs.last().start + runs.last().length == quint32(m_next))
                ++runs.last().length;
            else
                runs.append({wanted, quint32(m_next), 1});
        }
        ++m_next;
    }
    // Skip the unchanged tail at once, so that Done() holds right after the last change.
    while (m_next < m_current.size() && m_current.at(m_next) == m_target.at(m_next))
        ++m_next;
    return runs;
}
