#include "defrag/CDefragTabWidget.h"

#include "appmodel/IAppController.h"
#include "core/COleDate.h"
#include "core/CTextFormat.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefragHelpKey.h"
#include "platform/registry/CSettings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString kSelectedTabKey = u"Tabs/Defrag Buttom Tab"_s;
// The leading blanks of every status line keep it clear of the progress bar.
const QString kStatusLineIndent = u"   "_s;

} // namespace

CDefragTabWidget::CDefragTabWidget(CDefragFeed& feed, QWidget* parent)
    : QTabWidget(parent)
    , CTranslatable("CDefragTabWidget")
    , m_feed(feed)
    , m_progress(new QProgressBar)
    , m_statusLine(new QLabel)
{
    setObjectName(u"DefragTabWidget"_s);
    addTab(MakePlaceholder(Translate("The drive map of the selected drive will be shown here.")),
           Translate("Drive Map"));
    addTab(MakePlaceholder(Translate(
               "The performance of the selected drive before and after its last passes will be "
               "shown here.")),
           Translate("Performance"));
    addTab(MakePlaceholder(
               Translate("The statistics of the selected drive's last pass will be shown here.")),
           Translate("Statistics"));

    auto* corner = new QWidget;
    corner->setObjectName(u"DefragTabCorner"_s);
    auto* cornerLayout = new QHBoxLayout(corner);
    cornerLayout->setContentsMargins(4, 2, 6, 2);
    cornerLayout->setSpacing(0);
    m_progress->setObjectName(u"DefragTabProgress"_s);
    m_progress->setRange(0, 100);
    m_progress->setFixedWidth(120);
    m_progress->setTextVisible(true);
    m_statusLine->setObjectName(u"DefragTabStatusLine"_s);
    m_statusLine->setTextFormat(Qt::PlainText);
    cornerLayout->addWidget(m_progress);
    cornerLayout->addWidget(m_statusLine);
    setCornerWidget(corner, Qt::TopRightCorner);

    new CDefragHelpKey(this, [this] { return HelpTopic(currentIndex()); });

    CDefrager& model = feed.Model();
    connect(&model, &CDefrager::CurrentVolumeChanged, this, &CDefragTabWidget::UpdateIndicators);
    connect(&model, &CDefrager::StatusChanged, this, &CDefragTabWidget::OnVolumeChanged);
    connect(&feed, &CDefragFeed::DefragModelUpdated, this, &CDefragTabWidget::UpdateIndicators);
    // The date of the shown results changes when a pass starts and when it ends.
    connect(&feed, &CDefragFeed::Started, this, &CDefragTabWidget::OnVolumeChanged);
    connect(&feed, &CDefragFeed::Completed, this, &CDefragTabWidget::OnVolumeChanged);

    LoadSettings();
    connect(this, &QTabWidget::currentChanged, this, &CDefragTabWidget::OnCurrentChanged);
    UpdateIndicators();
}

QWidget* CDefragTabWidget::MakePlaceholder(const QString& text)
{
    auto* page = new QWidget;
    page->setObjectName(u"DefragTabPlaceholder"_s);
    // A click on the page gives it the focus, so that F1 asks for its topic.
    page->setFocusPolicy(Qt::ClickFocus);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(24, 24, 24, 24);
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setEnabled(false);
    layout->addWidget(label);
    return page;
}

bool CDefragTabWidget::SetPage(int index, QWidget* page)
{
    if (!page || index < 0 || index >= count())
        return false;
    QWidget* previous = widget(index);
    if (previous == page)
        return true;
    const int selected = currentIndex();
    const QString title = tabText(index);
    m_swapping = true;
    removeTab(index);
    insertTab(index, page, title);
    setCurrentIndex(selected);
    m_swapping = false;
    delete previous;
    return true;
}

void CDefragTabWidget::OnVolumeChanged(const TId& id)
{
    if (id == m_feed.Model().CurrentVolume())
        UpdateIndicators();
}

void CDefragTabWidget::UpdateIndicators()
{
    const CDefrager::TVolumeInfo* volume =
        m_feed.Model().FindVolume(m_feed.Model().CurrentVolume());
    double percent = 0.0;
    QString line;
    if (volume) {
        percent = volume->completionPercent.value_or(0.0);
        const QString mountName = QString::fromStdWString(volume->mountName);
        const QString date =
            COleDate::IsSet(volume->dataDate)
                ? CTextFormat::LocaleDateText(COleDate::ToDateTime(volume->dataDate).date())
                : QString();
        // No date (0, or one that does not convert) leaves the mount name alone.
        if (volume->statusText)
            line = kStatusLineIndent + QString::fromStdWString(*volume->statusText);
        else if (date.isEmpty())
            line = kStatusLineIndent + mountName;
        else
            line = kStatusLineIndent + mountName + Translate(" as of ") + date;
    }
    // A percent the engine cannot have meant (NaN, below 0, above 100) shows as its nearest end.
    const int value = std::isnan(percent) ? 0 : int(std::lround(qBound(0.0, percent, 100.0)));
    m_progress->setValue(value);
    m_statusLine->setText(line);
}

QString CDefragTabWidget::StatusLineText() const
{
    return m_statusLine->text();
}

int CDefragTabWidget::ProgressValue() const
{
    return m_progress->value();
}

QString CDefragTabWidget::HelpTopic(int index)
{
    switch (index) {
    case kDriveMapPage:
        return u"Drive_Map.htm"_s;
    case kPerformancePage:
        return u"Performance_Tab.htm"_s;
    case kStatisticsPage:
        return u"Statistics_Tab.htm"_s;
    default:
        return {};
    }
}

void CDefragTabWidget::OnCurrentChanged()
{
    if (!m_swapping)
        SaveSettings();
}

void CDefragTabWidget::LoadSettings()
{
    IAppController* controller = IAppController::Current();
    if (!controller)
        return;
    bool ok = false;
    const int index = controller->Settings().value(kSelectedTabKey).toInt(&ok);
    if (ok && index >= 0 && index < count())
        setCurrentIndex(index);
}

void CDefragTabWidget::SaveSettings()
{
    if (IAppController* controller = IAppController::Current())
        controller->Settings().setValue(kSelectedTabKey, currentIndex());
}
