#pragma once

#include "core/CTranslatable.h"

#include <QWidget>

class CDefragDialWidget;
class CDefragFeed;
class QAbstractButton;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

// The side panel of the defragmentation tab: two pages, "Legend" (the drive map's colours) and
// "Fragmentation" (the gauges of the current volume), and the drive map's "Properties..." and
// "Find..." commands. Folded, it keeps only the button that unfolds it. The page shown and the
// fold state are kept in the console's settings.
class CDefragFoldableWidget : public QWidget, public CTranslatable {
    Q_OBJECT

public:
    enum TPage : int {
        kLegendPage = 0,
        kFragmentationPage = 1,
    };

    explicit CDefragFoldableWidget(CDefragFeed& feed, QWidget* parent = nullptr);

    TPage CurrentPage() const;
    void SetPage(TPage page);
    bool IsFolded() const { return m_folded; }
    void SetFolded(bool folded);

    // Puts the legend in place of the one shown; the panel owns it from then on and deletes the
    // one it replaced. A null legend is ignored.
    void SetLegend(QWidget* legend);
    CDefragDialWidget* DialWidget() const { return m_dial; }

    QPushButton* PropertiesButton() const { return m_properties; }
    QPushButton* FindButton() const { return m_find; }

    // The help topic of the page shown.
    QString HelpTopic() const;

    // Under "Tabs" / "Defrag Side Tab": the page's number, plus kFoldedFlag when folded. A stored
    // value that names no page is ignored.
    static constexpr int kFoldedFlag = 0x10;
    void LoadSettings();
    void SaveSettings();

signals:
    void PropertiesRequested();
    void FindRequested();
    void FoldedChanged(bool folded);

public slots:
    // Enables "Find..." as the current volume and its state allow.
    void UpdateButtons();

protected:
    void changeEvent(QEvent* event) override;

private:
    void LoadImages();
    void OnPageButton(TPage page);
    void OnFoldButton();

    CDefragFeed& m_feed;
    CDefragDialWidget* m_dial;
    QWidget* m_legend;
    QWidget* m_content;
    QStackedWidget* m_pages;
    QToolButton* m_legendButton;
    QToolButton* m_fragmentationButton;
    QToolButton* m_foldButton;
    QPushButton* m_properties;
    QPushButton* m_find;
    bool m_folded = false;
};
