#include "schedule/CWizardPageInfo.h"

#include "resources/CSkinResources.h"

#include <QHBoxLayout>
#include <QPixmap>

using namespace Qt::StringLiterals;

CWizardPageInfoLabel::CWizardPageInfoLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setObjectName(u"wizardPageInfoLabel"_s);
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QSize CWizardPageInfoLabel::minimumSizeHint() const
{
    // Any width will do: the text wraps.
    return {0, QLabel::minimumSizeHint().height()};
}

CWizardPageInfo::CWizardPageInfo(const QString& text, QWidget* parent)
    : QWidget(parent)
    , m_label(new CWizardPageInfoLabel(text, this))
{
    setObjectName(u"wizardPageInfo"_s);
    auto* mark = new QLabel(this);
    mark->setObjectName(u"wizardPageInfoMark"_s);
    mark->setPixmap(QPixmap(CSkinResources::CommonImagePath(u"bullet_info_16.png"_s)));
    mark->setAlignment(Qt::AlignTop);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mark, 0, Qt::AlignTop);
    layout->addWidget(m_label, 1);
}

void CWizardPageInfo::SetText(const QString& text)
{
    m_label->setText(text);
}

QString CWizardPageInfo::Text() const
{
    return m_label->text();
}
