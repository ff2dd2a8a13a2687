#include "defrag/CDefragFoldableWidget.h"

#include "appmodel/IAppController.h"
#include "defrag/CDefragDialWidget.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefragHelpKey.h"
#include "platform/registry/CSettings.h"
#include "resources/CSkinResources.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QString kSideTabKey = u"Tabs/Defrag Side Tab"_s;

// An image of the current skin; the blue skin's when no controller is there to say.
QIcon SkinIcon(const QString& name)
{
    IAppController* controller = IAppController::Current();
    return QIcon(controller ? controller->Model().SkinImage(name)
                            : CSkinResources::SkinImagePath(
                                  CSkinResources::ImageFolder(CSkinResources::kBlue), name));
}

QToolButton* MakePageButton(const QString& text, const QString& name)
{
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setText(text);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

CDefragFoldableWidget::CDefragFoldableWidget(CDefragFeed& feed, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CDefragFoldableWidget")
    , m_feed(feed)
    , m_dial(new CDefragDialWidget(feed))
    , m_legend(new QWidget)
    , m_content(new QWidget)
    , m_pages(new QStackedWidget)
    , m_legendButton(MakePageButton(Translate("Legend"), u"DefragSideLegendButton"_s))
    , m_fragmentationButton(
          MakePageButton(Translate("Fragmentation"), u"DefragSideFragmentationButton"_s))
    , m_foldButton(new QToolButton)
    , m_properties(new QPushButton(Translate("Properties...")))
    , m_find(new QPushButton(Translate("Find...")))
{
    setObjectName(u"DefragSidePanel"_s);
    // A click anywhere on the panel gives it the focus, so that F1 asks for its topic.
    setFocusPolicy(Qt::ClickFocus);

    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    group->addButton(m_legendButton, kLegendPage);
    group->addButton(m_fragmentationButton, kFragmentationPage);
    connect(m_legendButton, &QToolButton::clicked, this, [this] { OnPageButton(kLegendPage); });
    connect(m_fragmentationButton, &QToolButton::clicked, this,
            [this] { OnPageButton(kFragmentationPage); });

    m_foldButton->setObjectName(u"DefragSideFoldButton"_s);
    m_foldButton->setAutoRaise(true);
    m_foldButton->setFocusPolicy(Qt::NoFocus);
    m_foldButton->setIconSize(QSize(16, 16));
    connect(m_foldButton, &QToolButton::clicked, this, &CDefragFoldableWidget::OnFoldButton);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(2);
    header->addWidget(m_legendButton);
    header->addWidget(m_fragmentationButton);
    header->addStretch(1);
    header->addWidget(m_foldButton, 0, Qt::AlignTop);

    // The legend's place holds a note until the drive map brings its legend.
    m_legend->setObjectName(u"DefragSideLegendPlaceholder"_s);
    auto* legendLayout = new QVBoxLayout(m_legend);
    legendLayout->setContentsMargins(8, 8, 8, 8);
    auto* note = new QLabel(Translate("The colours of the drive map will be explained here."));
    note->setAlignment(Qt::AlignCenter);
    note->setWordWrap(true);
    note->setTextFormat(Qt::PlainText);
    note->setEnabled(false);
    legendLayout->addWidget(note);
    m_pages->addWidget(m_legend);
    m_pages->addWidget(m_dial);

    m_properties->setObjectName(u"DefragSidePropertiesButton"_s);
    m_find->setObjectName(u"DefragSideFindButton"_s);
    m_find->setIconSize(QSize(16, 16));
    for (QPushButton* button : {m_properties, m_find}) {
        button->setFocusPolicy(Qt::TabFocus);
        button->setAutoDefault(false);
    }
    connect(m_properties, &QPushButton::clicked, this, &CDefragFoldableWidget::PropertiesRequested);
    connect(m_find, &QPushButton::clicked, this, &CDefragFoldableWidget::FindRequested);
    auto* commands = new QHBoxLayout;
    commands->setContentsMargins(0, 0, 0, 0);
    commands->setSpacing(4);
    commands->addWidget(m_properties);
    commands->addWidget(m_find);

    auto* contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(4);
    contentLayout->addWidget(m_pages, 1);
    contentLayout->addLayout(commands);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(header);
    layout->addWidget(m_content, 1);
    // Takes the height of the hidden pages while the panel is folded.
    layout->addStretch(0);

    new CDefragHelpKey(this, [this] { return HelpTopic(); });

    CDefrager& model = feed.Model();
    connect(&model, &CDefrager::BusyStateChanged, this, &CDefragFoldableWidget::UpdateButtons);
    connect(&model, &CDefrager::CurrentVolumeChanged, this, &CDefragFoldableWidget::UpdateButtons);
    connect(&feed, &CDefragFeed::DefragModelUpdated, this, &CDefragFoldableWidget::UpdateButtons);

    // The gauges until the user picks a page: they tell most while the legend has no map.
    SetPage(kFragmentationPage);
    LoadSettings();
    LoadImages();
    UpdateButtons();
}

CDefragFoldableWidget::TPage CDefragFoldableWidget::CurrentPage() const
{
    return m_pages->currentIndex() == kFragmentationPage ? kFragmentationPage : kLegendPage;
}

void CDefragFoldableWidget::SetPage(TPage page)
{
    m_pages->setCurrentIndex(page);
    m_legendButton->setChecked(page == kLegendPage);
    m_fragmentationButton->setChecked(page == kFragmentationPage);
}

void CDefragFoldableWidget::SetFolded(bool folded)
{
    if (folded == m_folded && m_content->isHidden() == folded)
        return;
    m_folded = folded;
    m_content->setVisible(!folded);
    m_legendButton->setVisible(!folded);
    m_fragmentationButton->setVisible(!folded);
    // Folded, the panel is only as wide as the button that unfolds it.
    if (folded)
        setMaximumWidth(m_foldButton->sizeHint().width() + 8);
    else
        setMaximumWidth(QWIDGETSIZE_MAX);
    LoadImages();
    emit FoldedChanged(folded);
}

void CDefragFoldableWidget::SetLegend(QWidget* legend)
{
    if (!legend || legend == m_legend)
        return;
    const bool shown = m_pages->currentWidget() == m_legend;
    QWidget* previous = m_legend;
    m_legend = legend;
    m_pages->insertWidget(kLegendPage, legend);
    m_pages->removeWidget(previous);
    delete previous;
    if (shown)
        m_pages->setCurrentWidget(legend);
}

void CDefragFoldableWidget::UpdateButtons()
{
    const CDefrager& model = m_feed.Model();
    const bool hasVolume = model.FindVolume(model.CurrentVolume()) != nullptr;
    const bool busy = model.IsCurrentRunningOrPaused();
    m_find->setEnabled(hasVolume && !busy);
    m_properties->setToolTip(Translate("Change the colours of the drive map."));
    if (!hasVolume)
        m_find->setToolTip(Translate("Select a drive to find a file on its drive map."));
    else if (busy)
        m_find->setToolTip(Translate("Files cannot be found on the drive map while the drive "
                                     "is being analyzed or defragmented."));
    else
        m_find->setToolTip(Translate("Find a file on the drive map."));
}

QString CDefragFoldableWidget::HelpTopic() const
{
    return CurrentPage() == kFragmentationPage ? u"Fragmentation.htm"_s : u"Legend.htm"_s;
}

void CDefragFoldableWidget::OnPageButton(TPage page)
{
    SetPage(page);
    SaveSettings();
}

void CDefragFoldableWidget::OnFoldButton()
{
    SetFolded(!m_folded);
    SaveSettings();
}

void CDefragFoldableWidget::LoadSettings()
{
    IAppController* controller = IAppController::Current();
    if (!controller)
        return;
    bool ok = false;
    const int stored = controller->Settings().value(kSideTabKey).toInt(&ok);
    const int page = stored & ~kFoldedFlag;
    if (!ok || stored < 0 || (page != kLegendPage && page != kFragmentationPage))
        return;
    SetPage(TPage(page));
    SetFolded((stored & kFoldedFlag) != 0);
}

void CDefragFoldableWidget::SaveSettings()
{
    if (IAppController* controller = IAppController::Current())
        controller->Settings().setValue(kSideTabKey,
                                        int(CurrentPage()) | (m_folded ? kFoldedFlag : 0));
}

void CDefragFoldableWidget::changeEvent(QEvent* event)
{
    // A new skin's style sheet reaches every widget as a style change.
    if (event->type() == QEvent::StyleChange)
        LoadImages();
    QWidget::changeEvent(event);
}

void CDefragFoldableWidget::LoadImages()
{
    m_foldButton->setIcon(
        SkinIcon(m_folded ? u"button_unfold_arrow.png"_s : u"button_fold_arrow.png"_s));
    m_foldButton->setToolTip(m_folded ? Translate("Show the side panel")
                                      : Translate("Hide the side panel"));
    m_find->setIcon(SkinIcon(u"find_file.png"_s));
}
