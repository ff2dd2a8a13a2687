#pragma once

#include <QList>
#include <QMetaType>

// Which panes (ribbon tabs) the connected computer gets, in tab order, and which one is active.
class CModelLayout {
public:
    enum TPaneType : int {
        kNoPane = 0,
        kDefragmentation = 1,
        kScheduling = 2,
        kFreeSpace = 4,
        kProductResources = 8,
        // No edition lists it by itself; the Active Directory deployment adds it.
        kActiveDirectory = 16,
        kExchange = 32,
        kVirtualGuests = 64,
    };

    // The sub-panes of the "Space Management" tab, in the order of its ribbon.
    enum TFreeSpacePaneType : int {
        kRecycler = 0,
        kDuplicatesFinder = 1,
        kSpaceExplorer = 2,
        kSpaceReports = 3,
    };

    // The sub-panes of the Active Directory tab.
    enum TADPaneType : int {
        kStepsToManage = 0,
        kManageUsingGpmc = 1,
    };

    // Whether the "Space Management" tab is offered: an edition with the free-space tools, a
    // local computer or a remote agent of the current generation, the policy's permission and
    // the user's preference.
    static bool ShowsFreeSpace(quint32 edition, bool remote, bool agentIsCurrent, bool policyAllows,
                               bool preferenceShows);

    // Rebuilds the pane list for an edition.
    void SetEdition(quint32 edition, bool remote, bool showFreeSpace);
    quint32 Edition() const { return m_edition; }
    const QList<TPaneType>& Panes() const { return m_panes; }
    // The pane of a tab; an index outside the list maps to the first pane (none when empty).
    TPaneType PaneAt(int index) const;
    // The tab of a pane, -1 when the layout has no such pane.
    int IndexOf(TPaneType pane) const;

    TPaneType ActivePane() const { return m_active; }
    void SetActivePane(TPaneType pane) { m_active = pane; }

private:
    quint32 m_edition = 0;
    QList<TPaneType> m_panes;
    TPaneType m_active = kNoPane;
};

Q_DECLARE_METATYPE(CModelLayout::TPaneType)
Q_DECLARE_METATYPE(CModelLayout::TFreeSpacePaneType)
Q_DECLARE_METATYPE(CModelLayout::TADPaneType)
