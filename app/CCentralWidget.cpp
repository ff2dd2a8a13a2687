#include "app/CCentralWidget.h"

CCentralWidget::CCentralWidget(QWidget* parent)
    : QStackedWidget(parent)
{
    setObjectName(QStringLiteral("CentralPages"));
}

void CCentralWidget::SetPage(CModelLayout::TPaneType pane, QWidget* page)
{
    QWidget* old = m_pages.take(pane);
    const bool wasShown = old && currentWidget() == old;
    m_pages.insert(pane, page);
    addWidget(page);
    if (wasShown || pane == m_active)
        setCurrentWidget(page);
    if (old) {
        removeWidget(old);
        delete old;
    }
}

void CCentralWidget::ActivatePane(CModelLayout::TPaneType pane)
{
    m_active = pane;
    setCurrentWidget(PageOf(pane));
}

QWidget* CCentralWidget::PageOf(CModelLayout::TPaneType pane)
{
    auto found = m_pages.constFind(pane);
    if (found != m_pages.constEnd())
        return found.value();
    auto* page = new QWidget(this);
    m_pages.insert(pane, page);
    addWidget(page);
    return page;
}
