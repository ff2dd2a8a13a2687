#pragma once

#include "appmodel/CModelLayout.h"

#include <QMap>
#include <QStackedWidget>

// The pages under the ribbon, one per pane; the active pane's page is shown. A feature puts its
// tab in with SetPage; a pane without one shows an empty page.
class CCentralWidget : public QStackedWidget {
    Q_OBJECT

public:
    explicit CCentralWidget(QWidget* parent = nullptr);

    // Takes the page; a previous page of the pane is deleted.
    void SetPage(CModelLayout::TPaneType pane, QWidget* page);
    QWidget* Page(CModelLayout::TPaneType pane) const { return m_pages.value(pane); }
    CModelLayout::TPaneType ActivePane() const { return m_active; }

public slots:
    void ActivatePane(CModelLayout::TPaneType pane);

private:
    QWidget* PageOf(CModelLayout::TPaneType pane);

    QMap<CModelLayout::TPaneType, QWidget*> m_pages;
    CModelLayout::TPaneType m_active = CModelLayout::kNoPane;
};
