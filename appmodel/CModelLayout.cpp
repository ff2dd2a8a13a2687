#include "appmodel/CModelLayout.h"

bool CModelLayout::ShowsFreeSpace(quint32 edition, bool remote, bool agentIsCurrent,
                                  bool policyAllows, bool preferenceShows)
{
    return edition != 6 && (!remote || agentIsCurrent) && policyAllows && preferenceShows;
}

void CModelLayout::SetEdition(quint32 edition, bool remote, bool showFreeSpace)
{
    m_edition = edition;
    m_panes.clear();
    const auto addFreeSpace = [&] {
        if (showFreeSpace)
            m_panes.append(kFreeSpace);
    };
    switch (edition) {
    case 1:
    case 2:
    case 7:
    case 8:
        m_panes = {kDefragmentation, kScheduling};
        addFreeSpace();
        m_panes.append(kProductResources);
        break;
    case 3:
        m_panes = {kDefragmentation, kScheduling};
        addFreeSpace();
        if (!remote)
            m_panes.append(kExchange);
        m_panes.append(kProductResources);
        break;
    case 4:
        if (!remote)
            m_panes.append(kVirtualGuests);
        m_panes.append({kScheduling, kDefragmentation});
        addFreeSpace();
        m_panes.append(kProductResources);
        break;
    case 6:
        m_panes = {kDefragmentation, kScheduling, kProductResources};
        break;
    default: // 5 and editions this console does not know offer no panes
        break;
    }
}

CModelLayout::TPaneType CModelLayout::PaneAt(int index) const
{
    if (m_panes.isEmpty())
        return kNoPane;
    if (index < 0 || index >= m_panes.size())
        return m_panes.constFirst();
    return m_panes.at(index);
}

int CModelLayout::IndexOf(TPaneType pane) const
{
    return static_cast<int>(m_panes.indexOf(pane));
}
