#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"

#include <QTabWidget>

class CDefragFeed;
class QLabel;
class QProgressBar;

// The pages below the drive table: "Drive Map", "Performance" and "Statistics". Its corner
// shows the current volume's progress and a status line: the running operation's status text,
// else the mount name with the date of the shown results. The selected page is kept in the
// console's settings.
class CDefragTabWidget : public QTabWidget, public CTranslatable {
    Q_OBJECT

public:
    enum TPage : int {
        kDriveMapPage = 0,
        kPerformancePage = 1,
        kStatisticsPage = 2,
    };
    static constexpr int kPageCount = 3;

    explicit CDefragTabWidget(CDefragFeed& feed, QWidget* parent = nullptr);

    // Puts the page in place of the one at the index, keeping the tab's title and the
    // selection; the tab widget owns it from then on and deletes the page it replaced. False,
    // and nothing taken, for an index outside the pages or no page.
    bool SetPage(int index, QWidget* page);

    // The corner's texts as they are shown.
    QString StatusLineText() const;
    int ProgressValue() const;

    // The selected page, under "Tabs" / "Defrag Buttom Tab"; a stored value that names no page
    // is ignored.
    void LoadSettings();
    void SaveSettings();

    // The help topic of a page; empty for an index outside the pages.
    static QString HelpTopic(int index);

public slots:
    void UpdateIndicators();

private:
    void OnVolumeChanged(const TId& id);
    void OnCurrentChanged();
    QWidget* MakePlaceholder(const QString& text);

    CDefragFeed& m_feed;
    QProgressBar* m_progress;
    QLabel* m_statusLine;
    // Set while pages are swapped: the tab bar's passing selections are not the user's.
    bool m_swapping = false;
};
