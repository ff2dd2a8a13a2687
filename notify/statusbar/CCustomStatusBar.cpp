#include "notify/statusbar/CCustomStatusBar.h"

#include "appmodel/IAppController.h"
#include "core/CTextFormat.h"
#include "defrag/CDefrager.h"
#include "engine/CKVTempRecycleCleanInterface.h"
#include "notify/statusbar/CAnimatedIcon.h"
#include "resources/CSkinResources.h"

#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QProgressBar>
#include <QResizeEvent>
#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kStatusBarProgressWidth = 110;
constexpr int kStatusBarProgressHeight = 14;
// The working message stands this far from the percentage.
const QString kStatusBarMessageIndent = u"   "_s;

} // namespace

const std::array<const char*, CCustomStatusBar::kPieceCount> CCustomStatusBar::kPieceNames = {
    "status_bar_left.png",
    "status_bar_center.png",
    "status_bar_right.png",
};

CCustomStatusBar::CCustomStatusBar(CDefrager* drives, QWidget* parent)
    : QStatusBar(parent)
    , CTranslatable("CCustomStatusBar")
    , m_drives(drives)
    , m_progress(new QProgressBar)
    , m_message(new QLabel)
    , m_rightPiece(new QLabel)
{
    setObjectName(u"CustomStatusBar"_s);
    m_progress->setObjectName(u"StatusBarProgress"_s);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setFixedSize(kStatusBarProgressWidth, kStatusBarProgressHeight);
    m_message->setObjectName(u"StatusBarMessage"_s);
    m_message->setTextFormat(Qt::PlainText);
    addWidget(m_progress);
    addWidget(m_message, 1);

    for (int index = 0; index < kIconCount; ++index) {
        auto* icon = new CAnimatedIcon;
        m_icons[std::size_t(index)] = icon;
        addPermanentWidget(icon);
    }
    m_icons[kSchedulingIcon]->setObjectName(u"SchedulingProgressIcon"_s);
    m_icons[kDefragmentationIcon]->setObjectName(u"DefragmentationProgressIcon"_s);
    m_icons[kFreeSpaceIcon]->setObjectName(u"FreeSpaceProgressIcon"_s);
    m_rightPiece->setScaledContents(true);
    // Its picture is made at the bar's height: it must not ask for that height itself, or the
    // bar would grow with every resize.
    m_rightPiece->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    addPermanentWidget(m_rightPiece);
    m_rightPiece->hide();

    m_toolTipTimer.setInterval(kToolTipMilliseconds);
    connect(&m_toolTipTimer, &QTimer::timeout, this, &CCustomStatusBar::UpdateToolTips);
    if (m_drives) {
        connect(m_drives, &CDefrager::CurrentVolumeChanged, this,
                &CCustomStatusBar::OnCurrentVolumeChanged);
        connect(m_drives, &CDefrager::WorkingMessageChanged, this,
                &CCustomStatusBar::OnWorkingMessageChanged);
    }
    SkinChanged();
    OnConnectComputer();
    UpdateFromModel();
}

CCustomStatusBar::~CCustomStatusBar() = default;

void CCustomStatusBar::SetCleaner(CKVTempRecycleCleanInterface* cleaner)
{
    if (m_cleaner)
        disconnect(m_cleaner, nullptr, this, nullptr);
    m_cleaner = cleaner;
    m_cleanerMessage.clear();
    if (!cleaner)
        return;
    connect(cleaner, &CTlStateBaseInterface::Started, this, &CCustomStatusBar::OnCleanerStarted,
            Qt::QueuedConnection);
    connect(cleaner, &CTlStateBaseInterface::Progress, this, &CCustomStatusBar::OnCleanerProgress,
            Qt::QueuedConnection);
}

CAnimatedIcon* CCustomStatusBar::Icon(int index) const
{
    if (index < 0 || index >= kIconCount)
        return nullptr;
    return m_icons[std::size_t(index)];
}

bool CCustomStatusBar::AnyIconAnimating() const
{
    return std::any_of(m_icons.begin(), m_icons.end(),
                       [](const CAnimatedIcon* icon) { return icon->IsAnimating(); });
}

int CCustomStatusBar::ProgressValue() const
{
    return m_progress->value();
}

QString CCustomStatusBar::ProgressMessage() const
{
    return m_message->text();
}

bool CCustomStatusBar::RightPieceShown() const
{
    return !m_rightPiece->isHidden();
}

QString CCustomStatusBar::DriveStatusToolTip() const
{
    if (!m_drives)
        return QString();
    QStringList lines;
    for (const auto& [id, volume] : m_drives->Volumes()) {
        const char* source = nullptr;
        switch (volume.status) {
        case CDefrager::kIdle:
            continue;
        case CDefrager::kAnalysing:
            source = "%1  Analyzing %2%";
            break;
        case CDefrager::kDefragmenting:
            source = "%1  Defragmenting %2%";
            break;
        case CDefrager::kPaused:
            source = "%1  Paused %2%";
            break;
        case CDefrager::kResumed:
            source = "%1  Resumed %2%";
            break;
        case CDefrager::kVerifying:
            source = "%1  Verifying %2%";
            break;
        default:
            lines.append(Translate("Error: Invalid Status").Text());
            continue;
        }
        // The percent as the drive table writes it, so that both say the same.
        lines.append(Translate(source)
                         .Arg(volume.mountName)
                         .Arg(CTextFormat::NumberText(volume.completionPercent.value_or(0.0), 0))
                         .Text());
    }
    return lines.join(u'\n');
}

void CCustomStatusBar::SkinChanged()
{
    IAppController* controller = IAppController::Current();
    const QString folder = controller ? controller->Model().Skin().imageFolder
                                      : CSkinResources::ImageFolder(CSkinResources::kBlue);
    for (int index = 0; index < kPieceCount; ++index)
        m_pieces[std::size_t(index)] =
            QPixmap(CSkinResources::SkinImagePath(folder, QString::fromLatin1(kPieceNames[index])));
    for (CAnimatedIcon* icon : m_icons)
        icon->LoadFrames(folder);
    m_scaledHeight = -1;
    ScalePieces();
    update();
}

void CCustomStatusBar::SetProgressIconBusy(int index, bool busy)
{
    CAnimatedIcon* icon = Icon(index);
    if (!icon)
        return;
    if (busy) {
        icon->Start();
        // A steady beat: a busy state told again does not push the next update back.
        if (!m_toolTipTimer.isActive())
            m_toolTipTimer.start();
        UpdateToolTips();
    } else {
        icon->Stop();
        if (!AnyIconAnimating()) {
            m_toolTipTimer.stop();
            ClearToolTips();
        } else if (index != kSchedulingIcon) {
            // The others still run: only what this icon said goes.
            icon->setToolTip(QString());
        }
    }
    TellAnimationWanted();
}

void CCustomStatusBar::SetProgressIconTooltip(int index, const QString& tool_tip)
{
    if (CAnimatedIcon* icon = Icon(index))
        icon->setToolTip(tool_tip);
}

void CCustomStatusBar::OnAnimate()
{
    for (CAnimatedIcon* icon : m_icons)
        icon->Advance();
}

void CCustomStatusBar::UpdateToolTips()
{
    if (m_icons[kDefragmentationIcon]->IsAnimating())
        m_icons[kDefragmentationIcon]->setToolTip(DriveStatusToolTip());
    if (m_icons[kFreeSpaceIcon]->IsAnimating())
        m_icons[kFreeSpaceIcon]->setToolTip(m_cleanerMessage);
}

void CCustomStatusBar::ClearToolTips()
{
    m_icons[kDefragmentationIcon]->setToolTip(QString());
    m_icons[kFreeSpaceIcon]->setToolTip(QString());
}

void CCustomStatusBar::UpdateFromModel()
{
    const CDefrager::TVolumeInfo* volume = m_drives && !m_drives->CurrentVolume().empty()
                                               ? m_drives->FindVolume(m_drives->CurrentVolume())
                                               : nullptr;
    if (!volume) {
        // No current drive: nothing of another drive's pass stays on show.
        m_progress->setValue(0);
        m_message->clear();
        return;
    }
    const int percent =
        CTlStateBaseInterface::TruncatedPercent(volume->workingPercent.value_or(0.0));
    m_progress->setValue(std::clamp(percent, 0, 100));
    m_message->setText(kStatusBarMessageIndent +
                       QString::fromStdWString(volume->workingMessage.value_or(TString())));
}

void CCustomStatusBar::OnConnectComputer()
{
    IAppController* controller = IAppController::Current();
    const bool freeSpaceTab =
        controller && controller->Layout().IndexOf(CModelLayout::kFreeSpace) >= 0;
    m_icons[kFreeSpaceIcon]->setVisible(freeSpaceTab);
}

void CCustomStatusBar::OnCurrentVolumeChanged(const TId& id)
{
    Q_UNUSED(id);
    UpdateFromModel();
}

void CCustomStatusBar::OnWorkingMessageChanged(const TId& id, double percent,
                                               const TString& message)
{
    Q_UNUSED(percent);
    Q_UNUSED(message);
    // Other drives' passes report too; only the current one is on show.
    if (m_drives && id == m_drives->CurrentVolume())
        UpdateFromModel();
}

void CCustomStatusBar::OnMaximized(bool maximized)
{
    m_maximized = maximized;
    m_rightPiece->setVisible(maximized);
    update();
}

void CCustomStatusBar::OnCleanerStarted()
{
    m_cleanerMessage.clear();
}

void CCustomStatusBar::OnCleanerProgress(const QString& message, int percent)
{
    Q_UNUSED(percent);
    m_cleanerMessage = message;
}

void CCustomStatusBar::ScalePieces()
{
    const int barHeight = height();
    if (barHeight == m_scaledHeight)
        return;
    m_scaledHeight = barHeight;
    for (int index = 0; index < kPieceCount; ++index) {
        const QPixmap& piece = m_pieces[std::size_t(index)];
        m_scaledPieces[std::size_t(index)] =
            piece.isNull() || barHeight <= 0
                ? QPixmap()
                : piece.scaled(piece.width(), barHeight, Qt::IgnoreAspectRatio,
                               Qt::SmoothTransformation);
    }
    const QPixmap& right = m_scaledPieces[2];
    m_rightPiece->setPixmap(right);
    m_rightPiece->setFixedWidth(right.isNull() ? 0 : right.width());
}

void CCustomStatusBar::TellAnimationWanted()
{
    const bool wanted = AnyIconAnimating();
    if (wanted == m_animationWanted)
        return;
    m_animationWanted = wanted;
    emit AnimationWanted(wanted);
}

void CCustomStatusBar::resizeEvent(QResizeEvent* event)
{
    QStatusBar::resizeEvent(event);
    ScalePieces();
}

void CCustomStatusBar::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    const QPixmap& left = m_scaledPieces[0];
    const QPixmap& middle = m_scaledPieces[1];
    const int leftWidth = left.isNull() ? 0 : left.width();
    if (!middle.isNull())
        painter.drawTiledPixmap(QRect(leftWidth, 0, width() - leftWidth, height()), middle);
    if (!left.isNull())
        painter.drawPixmap(0, 0, left);
    // A message of the moment takes the place of the drive's progress, as in any status bar.
    const QString message = currentMessage();
    if (!message.isEmpty()) {
        painter.setPen(palette().windowText().color());
        painter.drawText(contentsRect().adjusted(6, 0, -6, 0),
                         Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine, message);
    }
}
