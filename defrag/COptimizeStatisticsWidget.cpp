#include "defrag/COptimizeStatisticsWidget.h"

#include "defrag/CDefrager.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kSummaryContext = "COptimizeStatisticsWidget";

} // namespace

COptimizeStatisticsWidget::COptimizeStatisticsWidget(CDefrager& model,
                                                     IDefragController& controller, QWidget* parent)
    : QWidget(parent)
    , CTranslatable(kSummaryContext)
    , m_model(model)
    , m_controller(controller)
    , m_heading(new QLabel)
    , m_description(new QLabel)
    , m_resultsLayout(new QVBoxLayout)
{
    setObjectName(u"OptimizeStatistics"_s);
    m_heading->setObjectName(u"SummaryHeading"_s);
    m_heading->setTextFormat(Qt::PlainText);
    QFont headingFont = m_heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.2);
    m_heading->setFont(headingFont);
    m_description->setObjectName(u"SummaryDescription"_s);
    m_description->setTextFormat(Qt::PlainText);
    m_description->setWordWrap(true);

    auto* content = new QWidget;
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->addWidget(m_heading);
    contentLayout->addWidget(m_description);
    m_resultsLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->addLayout(m_resultsLayout);
    contentLayout->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    ShowVolume({});
}

void COptimizeStatisticsWidget::ShowVolume(const TId& volume)
{
    m_kind = CStatisticsResultsFactory::Choose(m_model, volume);
    m_heading->setText(Heading(m_kind));
    m_heading->setVisible(!m_heading->text().isEmpty());
    m_description->setText(Description(m_kind));
    m_description->setVisible(!m_description->text().isEmpty());
    if (m_results) {
        // Later: the old widget may be what asked for the rebuild (a recommended pass made
        // its volume current).
        m_resultsLayout->removeWidget(m_results);
        m_results->hide();
        m_results->deleteLater();
    }
    m_results = CStatisticsResultsFactory::Create(m_kind, m_model, m_controller);
    m_results->SetComputerName(m_computerName);
    m_resultsLayout->addWidget(m_results);
    m_results->ShowVolume(volume);
}

QString COptimizeStatisticsWidget::HeadingText() const
{
    return m_heading->text();
}

QString COptimizeStatisticsWidget::DescriptionText() const
{
    return m_description->text();
}

void COptimizeStatisticsWidget::SetComputerName(
    CStatisticsResultsWidget::TComputerName computerName)
{
    m_computerName = std::move(computerName);
    if (m_results)
        m_results->SetComputerName(m_computerName);
}

QString COptimizeStatisticsWidget::Heading(CStatisticsResultsFactory::TKind kind)
{
    switch (kind) {
    case CStatisticsResultsFactory::kAnalyse:
        return Translate("Details of the Analyse Run", kSummaryContext);
    case CStatisticsResultsFactory::kOnline:
    case CStatisticsResultsFactory::kOffline:
    case CStatisticsResultsFactory::kSelectedFiles:
        return Translate("Details of the Defragmentation Run", kSummaryContext);
    default:
        return {};
    }
}

QString COptimizeStatisticsWidget::Description(CStatisticsResultsFactory::TKind kind)
{
    switch (kind) {
    case CStatisticsResultsFactory::kAnalyse:
        return Translate("A fast analysis of your drive to determine the condition of your drive, "
                         "including number of files, free space, level of file fragmentation, "
                         "level of free space fragmentation, and drive performance rating.",
                         kSummaryContext);
    case CStatisticsResultsFactory::kOnline:
        return Translate("Your drive is optimized by completely defragmenting all files and free "
                         "space on your drive, and arranging files according to usage patterns "
                         "for optimal performance and to better maintain your drive's health.",
                         kSummaryContext);
    case CStatisticsResultsFactory::kOffline:
        return Translate("Your drive is optimized by completely defragmenting certain system "
                         "files on your drive that cannot be defragmented while your system is "
                         "running.",
                         kSummaryContext);
    case CStatisticsResultsFactory::kSelectedFiles:
        return Translate("A particular file is defragmented so it is in a single piece and can be "
                         "accessed more quickly.",
                         kSummaryContext);
    default:
        return {};
    }
}
