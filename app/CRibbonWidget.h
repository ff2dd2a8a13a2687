#pragma once

#include "appmodel/CModelLayout.h"
#include "core/CTranslatable.h"

#include <QTabWidget>

class QMenu;
class QToolButton;

// The ribbon: one tab per pane of the connected computer, each page the feature's bar (with the
// common options on the feature ribbons), and a corner button with the connection and about
// entries. Picking a tab makes its pane the active one; the controller's pane changes select the
// tab. Alt with a letter selects a tab when the computer has it; F1 opens the current tab's help.
class CRibbonWidget : public QTabWidget, public CTranslatable {
    Q_OBJECT

public:
    explicit CRibbonWidget(QWidget* parent = nullptr);

    // The help topic of a pane's tab, empty for none.
    static QString HelpTopic(CModelLayout::TPaneType pane);
    // The tab's label of a pane, translated.
    QString TabLabel(CModelLayout::TPaneType pane) const;

    QToolButton* CornerButton() const { return m_cornerButton; }
    QMenu* CornerMenu() const { return m_cornerMenu; }
    // The tab page of a pane, null when the computer has no such tab.
    QWidget* PageOf(CModelLayout::TPaneType pane) const;
    CModelLayout::TPaneType CurrentPane() const;
    // A new tab page of a pane: the feature's bar, with the common options on feature ribbons.
    QWidget* MakePage(CModelLayout::TPaneType pane);

public slots:
    void OnCurrentChanged(int index);
    void OnConnect();
    void OnAbout();
    void OnConnectComputer();
    void ActivatePane(CModelLayout::TPaneType pane);
    void OnDefragShortcut();
    void OnCadenceShortcut();
    void OnFreeSpaceShortcut();
    void OnProductResourcesShortcut();
    void OnADShortcut();
    void OnExchangeShortcut();
    void OnVirtualGuestShortcut();
    void OnHelp();
    // The corner button's image of the current skin.
    void OnSkinChanged();

private:
    void ActivateIfPresent(CModelLayout::TPaneType pane);
    void AddShortcut(const QKeySequence& keys, void (CRibbonWidget::*slot)());

    QToolButton* m_cornerButton;
    QMenu* m_cornerMenu;
    QList<CModelLayout::TPaneType> m_panes;
    bool m_rebuilding = false;
};
