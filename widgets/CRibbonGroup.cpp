#include "widgets/CRibbonGroup.h"

#include "widgets/CRibbonButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CRibbonGroup::CRibbonGroup(const QString& title, QWidget* parent)
    : QFrame(parent)
    , m_row(new QHBoxLayout)
    , m_title(new QLabel(title, this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 2, 4, 2);
    column->setSpacing(2);
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(2);
    column->addLayout(m_row, 1);
    m_title->setObjectName(u"RibbonGroupTitle"_s);
    m_title->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    column->addWidget(m_title);
}

void CRibbonGroup::SetTitle(const QString& title)
{
    m_title->setText(title);
}

QString CRibbonGroup::Title() const
{
    return m_title->text();
}

void CRibbonGroup::AddButton(CRibbonButton* button)
{
    m_row->addWidget(button, 0, Qt::AlignTop);
}

void CRibbonGroup::AddWidget(QWidget* widget)
{
    m_row->addWidget(widget, 0, Qt::AlignVCenter);
}
