#include "widgets/CRibbonBar.h"

#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

#include <QHBoxLayout>

CRibbonBar::CRibbonBar(QWidget* parent)
    : QWidget(parent)
    , m_layout(new QHBoxLayout(this))
{
    // A QWidget subclass paints the style sheet's background only when asked to.
    setAttribute(Qt::WA_StyledBackground);
    m_layout->setContentsMargins(2, 2, 2, 2);
    m_layout->setSpacing(2);
    m_layout->addStretch(1);
}

void CRibbonBar::AddGroup(CRibbonGroup* group)
{
    m_groups.append(group);
    AddWidget(group);
}

void CRibbonBar::AddWidget(QWidget* widget)
{
    // Before the stretch that keeps everything to the left.
    m_layout->insertWidget(m_layout->count() - 1, widget);
}

void CRibbonBar::SetEmbedded()
{
    setAttribute(Qt::WA_StyledBackground, false);
    m_layout->setContentsMargins(0, 0, 0, 0);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
}

void CRibbonBar::ApplySkin(const QString& imageFolder)
{
    for (CRibbonButton* button : findChildren<CRibbonButton*>())
        button->ApplySkin(imageFolder);
}
