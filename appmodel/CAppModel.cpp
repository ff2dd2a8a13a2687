#include "appmodel/CAppModel.h"

CAppModel::CAppModel(QObject* parent)
    : QObject(parent)
{}

void CAppModel::SetActivePane(CModelLayout::TPaneType pane)
{
    m_activePane = pane;
    emit ActivePaneChanged(pane);
}
