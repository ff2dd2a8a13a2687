#include "app/CMainWindow.h"

CMainWindow::CMainWindow(QWidget* parent)
    : QMainWindow(parent)
{}

bool CMainWindow::ProgressIconBusy(int index) const
{
    return index >= 0 && index < kProgressIcons && m_progressIcons[std::size_t(index)].busy;
}

QString CMainWindow::ProgressIconTooltip(int index) const
{
    if (index < 0 || index >= kProgressIcons)
        return QString();
    return m_progressIcons[std::size_t(index)].tooltip;
}

void CMainWindow::SetProgressIconBusy(int index, bool busy)
{
    if (index >= 0 && index < kProgressIcons)
        m_progressIcons[std::size_t(index)].busy = busy;
}

void CMainWindow::SetProgressIconTooltip(int index, const QString& tooltip)
{
    if (index >= 0 && index < kProgressIcons)
        m_progressIcons[std::size_t(index)].tooltip = tooltip;
}

void CMainWindow::SetSkipNextShowEvent()
{
    m_skipNextShow = true;
}
