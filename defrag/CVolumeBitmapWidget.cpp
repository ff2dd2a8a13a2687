#include "defrag/CVolumeBitmapWidget.h"

#include "appmodel/IAppController.h"
#include "appmodel/IDefragController.h"
#include "defrag/CBlockImage.h"
#include "defrag/CDefrager.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100EngineInterface.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QShortcut>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <cstring>

namespace {

// The edition that lists no files of a block.
constexpr quint32 kEditionWithoutBlockFiles = 6;
constexpr QRgb kOutlinePixel = 0xFF060606;

// The codes in the order their images are made, free space first.
constexpr quint32 kPredrawOrder[] = {9, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13};

} // namespace

CVolumeBitmapWidget::CVolumeBitmapWidget(CDefrager& model, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CVolumeBitmapWidget")
    , m_model(model)
    , m_colors(CBitmapColors::Load())
    , m_lifeTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("VolumeBitmapWidget"));
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    m_lifeTimer->setSingleShot(true);
    connect(m_lifeTimer, &QTimer::timeout, this, &CVolumeBitmapWidget::Life);
    connect(this, &CVolumeBitmapWidget::ResetColors, this, &CVolumeBitmapWidget::ReloadColors);

    using TSlot = void (CVolumeBitmapWidget::*)();
    const std::pair<Qt::Key, TSlot> shortcuts[] = {
        {Qt::Key_L, &CVolumeBitmapWidget::StartLife},
        {Qt::Key_R, &CVolumeBitmapWidget::RandomLife},
        {Qt::Key_F, &CVolumeBitmapWidget::LifeSpeedUp},
        {Qt::Key_S, &CVolumeBitmapWidget::LifeSlowDown},
        {Qt::Key_P, &CVolumeBitmapWidget::LifePetriToggle},
    };
    for (const auto& [key, slot] : shortcuts) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    }
    Refresh();
}

CVolumeBitmapWidget::~CVolumeBitmapWidget() = default;

// --- geometry

void CVolumeBitmapWidget::Layout()
{
    m_layoutPending = false;
    m_layoutSize = size();
    const int width = m_layoutSize.width();
    const int height = m_layoutSize.height();
    if (width < 1 || height < 1) {
        m_image = QImage();
        m_cellSize = QSize();
        m_rects.fill(QRect());
        m_flags.fill(0);
        return;
    }
    const QSize cell((width - 1) / kColumns + 1, (height - 1) / kRows + 1);
    // Neighbouring cells share their border pixel; what is left over is spread over the columns
    // and rows. Offsets are worked out in whole numbers: c x (left over / columns).
    const int leftWidth = std::max(0, width - (cell.width() - 1) * kColumns - 1);
    const int leftHeight = std::max(0, height - (cell.height() - 1) * kRows - 1);
    const auto spread = [](int index, int left, int parts, bool* grows) {
        const int scaled = index * left;
        const int offset = scaled / parts;
        const int ceiling = (scaled + parts - 1) / parts;
        *grows = scaled % parts != 0 && ceiling < (scaled + left) / parts;
        return offset;
    };
    for (int index = 0; index < kBlockCount; ++index) {
        const int column = index % kColumns;
        const int row = index / kColumns;
        bool wider = false;
        bool taller = false;
        const int x = (cell.width() - 1) * column + spread(column, leftWidth, kColumns, &wider);
        const int y = (cell.height() - 1) * row + spread(row, leftHeight, kRows, &taller);
        m_rects[index] =
            QRect(x, y, cell.width() + (wider ? 1 : 0), cell.height() + (taller ? 1 : 0));
        m_flags[index] = (wider ? kWider : 0) | (taller ? kTaller : 0);
    }
    if (cell != m_cellSize || m_images[kPredrawOrder[0]].isNull()) {
        m_cellSize = cell;
        PredrawImages();
    }
    m_image = QImage(m_layoutSize, QImage::Format_ARGB32_Premultiplied);
    m_hovered = -1;
    RedrawAll();
}

void CVolumeBitmapWidget::PredrawImages()
{
    for (QImage& image : m_images)
        image = QImage();
    if (m_cellSize.isEmpty())
        return;
    for (const quint32 code : kPredrawOrder) {
        for (const bool fragmented : {false, true}) {
            const quint32 category = fragmented ? 16 + code : code;
            for (const quint8 flags : {quint8(0), kWider, kTaller, quint8(kWider | kTaller)}) {
                const QSize size(m_cellSize.width() + ((flags & kWider) ? 1 : 0),
                                 m_cellSize.height() + ((flags & kTaller) ? 1 : 0));
                m_images[category | flags] =
                    CBlockImage::Draw(size, m_colors[code], fragmented)
                        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            }
        }
    }
}

QRect CVolumeBitmapWidget::BlockRect(int index) const
{
    return index >= 0 && index < kBlockCount ? m_rects[index] : QRect();
}

quint8 CVolumeBitmapWidget::SizeFlags(int index) const
{
    return index >= 0 && index < kBlockCount ? m_flags[index] : 0;
}

int CVolumeBitmapWidget::BlockAt(QPoint point) const
{
    if (m_image.isNull())
        return -1;
    for (int index = 0; index < kBlockCount; ++index)
        if (m_rects[index].contains(point))
            return index;
    return -1;
}

// --- drawing

const QImage& CVolumeBitmapWidget::ImageOf(int index) const
{
    return m_images[CBitmapColors::DrawingCategory(m_blocks[index]) | m_flags[index]];
}

void CVolumeBitmapWidget::CopyImage(const QImage& source, QPoint at)
{
    // The images are opaque: a row copy is what drawing them over the map would give.
    const QRect target = QRect(at, source.size()) & m_image.rect();
    if (target.isEmpty())
        return;
    uchar* bits = m_image.bits();
    const qsizetype stride = m_image.bytesPerLine();
    const int sourceX = target.x() - at.x();
    const int sourceY = target.y() - at.y();
    const std::size_t rowBytes = std::size_t(target.width()) * sizeof(QRgb);
    for (int row = 0; row < target.height(); ++row)
        std::memcpy(bits + (target.y() + row) * stride + target.x() * qsizetype(sizeof(QRgb)),
                    source.constScanLine(sourceY + row) + sourceX * qsizetype(sizeof(QRgb)),
                    rowBytes);
}

void CVolumeBitmapWidget::Outline(int index)
{
    // The cell's outermost pixels, as a one-pixel pen draws the cell shrunk by one at the right
    // and bottom.
    const QRect cell = m_rects[index] & m_image.rect();
    if (cell.isEmpty())
        return;
    uchar* bits = m_image.bits();
    const qsizetype stride = m_image.bytesPerLine();
    const auto line = [&](int y) { return reinterpret_cast<QRgb*>(bits + y * stride); };
    std::fill_n(line(cell.top()) + cell.left(), cell.width(), kOutlinePixel);
    std::fill_n(line(cell.bottom()) + cell.left(), cell.width(), kOutlinePixel);
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        line(y)[cell.left()] = kOutlinePixel;
        line(y)[cell.right()] = kOutlinePixel;
    }
}

void CVolumeBitmapWidget::CollectFragmentedNeighbours(int index, std::vector<int>& collected) const
{
    const int column = index % kColumns;
    const int row = index / kColumns;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int c = column + dx;
            const int r = row + dy;
            if ((dx == 0 && dy == 0) || c < 0 || c >= kColumns || r < 0 || r >= kRows)
                continue;
            const int neighbour = r * kColumns + c;
            if (neighbour < kBlockCount && CBitmapColors::IsFragmented(m_blocks[neighbour]))
                collected.push_back(neighbour);
        }
    }
}

void CVolumeBitmapWidget::RedrawAll()
{
    m_blinkDark = false;
    std::fill(m_stale.begin(), m_stale.end(), 0);
    m_staleBegin = kBlockCount;
    m_staleEnd = 0;
    if (m_image.isNull())
        return;
    m_image.fill(Qt::transparent);
    if (!m_blocks.empty()) {
        for (int index = 0; index < kBlockCount; ++index)
            CopyImage(ImageOf(index), m_rects[index].topLeft());
        for (int index = 0; index < kBlockCount; ++index)
            if (CBitmapColors::IsFragmented(m_blocks[index]))
                Outline(index);
        if (!m_selectedBlocks.empty() && !m_blinkTimer.isActive())
            m_blinkTimer.start(kBlinkInterval, this);
    }
    MarkDirty(m_image.rect());
}

void CVolumeBitmapWidget::DrawBlock(int index, bool darkened)
{
    if (m_image.isNull() || m_blocks.empty() || index < 0 || index >= kBlockCount)
        return;
    DrawStale();
    const QRect cell = m_rects[index];
    CopyImage(ImageOf(index), cell.topLeft());
    std::vector<int> outlined;
    if (CBitmapColors::IsFragmented(m_blocks[index]))
        outlined.push_back(index);
    CollectFragmentedNeighbours(index, outlined);
    QRect touched = cell;
    for (const int block : outlined) {
        Outline(block);
        touched |= m_rects[block];
    }
    if (darkened) {
        QPainter painter(&m_image);
        painter.fillRect(cell, CBlockImage::kDarkenColor);
    }
    MarkDirty(touched);
}

void CVolumeBitmapWidget::UpdateBlocks(quint32 code, uint first, uint count)
{
    EndLife();
    if (m_blocks.empty() || first >= uint(kBlockCount))
        return;
    const int begin = int(first);
    const int end = int(std::min<quint64>(quint64(first) + count, quint64(kBlockCount)));
    if (begin >= end)
        return;
    std::fill(m_blocks.begin() + begin, m_blocks.begin() + end, code);
    if (m_image.isNull())
        return;
    std::fill(m_stale.begin() + begin, m_stale.begin() + end, 1);
    m_staleBegin = std::min(m_staleBegin, begin);
    m_staleEnd = std::max(m_staleEnd, end);
    ScheduleFlush();
}

void CVolumeBitmapWidget::DrawStale()
{
    if (m_staleBegin >= m_staleEnd)
        return;
    const int begin = m_staleBegin;
    const int end = m_staleEnd;
    m_staleBegin = kBlockCount;
    m_staleEnd = 0;
    QRect touched;
    for (int index = begin; index < end; ++index) {
        if (m_stale[index]) {
            CopyImage(ImageOf(index), m_rects[index].topLeft());
            touched |= m_rects[index];
        }
    }
    // Redrawn blocks painted over the shared borders: outline the fragmented ones, and the
    // fragmented neighbours of the plain ones.
    std::vector<int> outlined;
    for (int index = begin; index < end; ++index) {
        if (!m_stale[index])
            continue;
        m_stale[index] = 0;
        if (CBitmapColors::IsFragmented(m_blocks[index]))
            outlined.push_back(index);
        else
            CollectFragmentedNeighbours(index, outlined);
    }
    for (const int index : outlined) {
        Outline(index);
        touched |= m_rects[index];
    }
    MarkDirty(touched);
}

const QImage& CVolumeBitmapWidget::MapImage()
{
    DrawStale();
    return m_image;
}

void CVolumeBitmapWidget::MarkDirty(const QRect& rect)
{
    m_dirty |= rect;
    ScheduleFlush();
}

void CVolumeBitmapWidget::ScheduleFlush()
{
    if (m_repaintPosted)
        return;
    m_repaintPosted = true;
    QMetaObject::invokeMethod(this, &CVolumeBitmapWidget::FlushRepaint, Qt::QueuedConnection);
}

void CVolumeBitmapWidget::FlushRepaint()
{
    DrawStale();
    m_repaintPosted = false;
    if (!m_dirty.isEmpty())
        update(m_dirty);
    m_dirty = QRect();
}

void CVolumeBitmapWidget::paintEvent(QPaintEvent* event)
{
    DrawStale();
    if (m_image.isNull())
        return;
    QPainter painter(this);
    const QRect area = event->rect() & m_image.rect();
    painter.drawImage(area, m_image, area);
}

void CVolumeBitmapWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Layout();
}

void CVolumeBitmapWidget::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_layoutPending || m_layoutSize != size())
        Layout();
}

void CVolumeBitmapWidget::ReloadColors()
{
    m_colors = CBitmapColors::Load();
    PredrawImages();
    Refresh();
}

// --- the model

void CVolumeBitmapWidget::Refresh()
{
    m_lifeRunning = false;
    m_lifeTimer->stop();
    m_savedBlocks.clear();
    const CDefrager::TVolumeInfo* volume = m_model.FindVolume(m_model.CurrentVolume());
    if (volume) {
        m_volume = volume->volumeId;
        m_blocks = volume->blocks;
        m_blocks.resize(kBlockCount, CDefrager::kUnknownBlockType);
        m_selectedBlocks = volume->selectedBlocks;
        m_selectedFileName = volume->selectedFileName;
    } else {
        m_volume.clear();
        m_blocks.clear();
        m_selectedBlocks.clear();
        m_selectedFileName.clear();
    }
    m_hovered = -1;
    if (isVisible() && (m_layoutPending || m_layoutSize != size()))
        Layout();
    else
        RedrawAll();
}

bool CVolumeBitmapWidget::IsCurrentRunning() const
{
    return !m_volume.empty() && m_model.IsRunning(m_volume);
}

bool CVolumeBitmapWidget::IsCurrentRunningOrPaused() const
{
    return !m_volume.empty() && m_model.IsRunningOrPaused(m_volume);
}

// --- blink and hover

void CVolumeBitmapWidget::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_blinkTimer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    UpdateBlink();
}

void CVolumeBitmapWidget::UpdateBlink()
{
    if (m_selectedBlocks.empty() || m_blocks.empty()) {
        m_blinkTimer.stop();
        m_blinkDark = false;
        return;
    }
    m_blinkDark = !m_blinkDark;
    for (const quint32 index : m_selectedBlocks)
        if (index < quint32(kBlockCount))
            DrawBlock(int(index), m_blinkDark || int(index) == m_hovered);
}

void CVolumeBitmapWidget::SetHovered(int index)
{
    const int previous = m_hovered;
    m_hovered = index;
    if (previous >= 0)
        DrawBlock(previous, m_blinkDark && m_selectedBlocks.count(quint32(previous)) != 0);
    if (index >= 0)
        DrawBlock(index, true);
}

void CVolumeBitmapWidget::mouseMoveEvent(QMouseEvent* event)
{
    QWidget::mouseMoveEvent(event);
    if (m_volume.empty() || m_image.isNull() || IsCurrentRunning())
        return;
    const int index = BlockAt(event->position().toPoint());
    if (index != m_hovered)
        SetHovered(index);
}

void CVolumeBitmapWidget::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (m_hovered >= 0)
        SetHovered(-1);
}

// --- clicks and tool tips

void CVolumeBitmapWidget::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    EndLife();
    if (m_volume.empty())
        return;
    IAppController* app = IAppController::Current();
    if (IDefragController* controller = app ? app->DefragController() : nullptr)
        controller->SetSelectedBlocks(m_volume, {}, {});
}

void CVolumeBitmapWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event);
    if (m_volume.empty() || !CanShowFiles())
        return;
    const int index = BlockAt(event->position().toPoint());
    if (index < 0)
        return;
    m_filesBlock = index;
    LaunchFilesDialog();
}

void CVolumeBitmapWidget::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_volume.empty() || !CanShowFiles())
        return;
    const int index = BlockAt(event->pos());
    if (index < 0)
        return;
    m_filesBlock = index;
    QMenu menu(this);
    const QAction* showFiles = menu.addAction(Translate("Show Files..."));
    connect(showFiles, &QAction::triggered, this, &CVolumeBitmapWidget::LaunchFilesDialog);
    menu.exec(event->globalPos());
}

bool CVolumeBitmapWidget::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int index = m_volume.empty() || IsCurrentRunningOrPaused() ? -1 : BlockAt(help->pos());
    if (index < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), ToolTipText(index), this, BlockRect(index));
    return true;
}

QString CVolumeBitmapWidget::ToolTipText(int index) const
{
    if (m_blocks.empty() || index < 0 || index >= kBlockCount)
        return {};
    if (m_selectedBlocks.count(quint32(index)) != 0)
        return Translate("Selected File:\n\n%1").Arg(m_selectedFileName);
    const quint32 code = m_blocks[index];
    const quint32 category = CBitmapColors::Category(code);
    QString fragmented;
    if (category != 0 && category != CBitmapColors::kFreeSpace &&
        category != CBitmapColors::kNotAnalysed)
        fragmented = CBitmapColors::IsFragmented(code) ? Translate("Fragmented")
                                                       : Translate("Not Fragmented");
    IAppController* app = IAppController::Current();
    const CDefrager::TVolumeInfo* volume = m_model.FindVolume(m_volume);
    const bool contents = volume && m_model.ListsBlockFiles(m_volume) && app &&
                          app->Model().Edition() != kEditionWithoutBlockFiles;
    return Translate(contents ? "Block %1\n%2\n%3\n\nRight click to view the contents"
                              : "Block %1\n%2\n%3")
        .Arg(index + 1)
        .Arg(QString(Translate(CBitmapColors::CategoryName(code))))
        .Arg(fragmented);
}

// --- the files of a block

bool CVolumeBitmapWidget::CanShowFiles() const
{
    IAppController* app = IAppController::Current();
    const CDefrager::TVolumeInfo* volume = m_model.FindVolume(m_volume);
    return app && volume && !m_model.IsRunningOrPaused(m_volume) &&
           app->Model().Edition() != kEditionWithoutBlockFiles &&
           m_model.ListsBlockFiles(m_volume) && app->Agent().IsNewest();
}

void CVolumeBitmapWidget::LaunchFilesDialog()
{
    if (m_volume.empty() || m_filesBlock < 0 || m_filesBlock >= kBlockCount || !CanShowFiles())
        return;
    emit BlockFilesRequested(m_volume, m_filesBlock);
}

// --- the diversion

void CVolumeBitmapWidget::StartLife()
{
    if (m_lifeRunning || m_volume.empty() || m_blocks.empty() || IsCurrentRunning())
        return;
    m_savedBlocks = m_blocks;
    m_lifeCodes.clear();
    m_lifeCells.assign(kBlockCount, false);
    for (int index = 0; index < kBlockCount; ++index) {
        const quint32 code = m_blocks[index];
        if (code != 0 && code != CBitmapColors::kFreeSpace) {
            m_lifeCells[index] = true;
            ++m_lifeCodes[code];
        }
    }
    m_lifeRunning = true;
    DrawLife();
    m_lifeTimer->start(m_lifeInterval);
}

void CVolumeBitmapWidget::RandomLife()
{
    StartLife();
    if (!m_lifeRunning)
        return;
    QRandomGenerator* random = QRandomGenerator::global();
    for (int index = 0; index < kBlockCount; ++index)
        m_lifeCells[index] = random->bounded(5) == 0;
    DrawLife();
}

void CVolumeBitmapWidget::LifeSpeedUp()
{
    m_lifeInterval = std::max(kLifeFastest, m_lifeInterval - kLifeIntervalStep);
}

void CVolumeBitmapWidget::LifeSlowDown()
{
    m_lifeInterval = std::min(kLifeSlowest, m_lifeInterval + kLifeIntervalStep);
}

void CVolumeBitmapWidget::LifePetriToggle()
{
    m_lifeWraps = !m_lifeWraps;
}

void CVolumeBitmapWidget::Life()
{
    if (!m_lifeRunning)
        return;
    std::vector<bool> next(kBlockCount, false);
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            int neighbours = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (dx == 0 && dy == 0)
                        continue;
                    int r = row + dy;
                    int c = column + dx;
                    if (m_lifeWraps) {
                        r = (r + kRows) % kRows;
                        c = (c + kColumns) % kColumns;
                    } else if (r < 0 || r >= kRows || c < 0 || c >= kColumns) {
                        continue;
                    }
                    neighbours += m_lifeCells[r * kColumns + c] ? 1 : 0;
                }
            }
            const int index = row * kColumns + column;
            next[index] = m_lifeCells[index] ? neighbours == 2 || neighbours == 3 : neighbours == 3;
        }
    }
    m_lifeCells.swap(next);
    DrawLife();
    m_lifeTimer->start(m_lifeInterval);
}

void CVolumeBitmapWidget::DrawLife()
{
    int total = 0;
    for (const auto& [code, seen] : m_lifeCodes)
        total += seen;
    QRandomGenerator* random = QRandomGenerator::global();
    for (int index = 0; index < kBlockCount; ++index) {
        if (!m_lifeCells[index]) {
            m_blocks[index] = CBitmapColors::kFreeSpace;
            continue;
        }
        // A map without live blocks (a new or empty volume) has nothing to draw from.
        quint32 code = CBitmapColors::kUsed;
        if (total > 0) {
            int pick = int(random->bounded(quint32(total)));
            for (const auto& [candidate, seen] : m_lifeCodes) {
                if (pick < seen) {
                    code = candidate;
                    break;
                }
                pick -= seen;
            }
        }
        m_blocks[index] = code;
    }
    RedrawAll();
}

void CVolumeBitmapWidget::EndLife()
{
    if (!m_lifeRunning)
        return;
    m_lifeRunning = false;
    m_lifeTimer->stop();
    m_blocks = m_savedBlocks;
    m_savedBlocks.clear();
    RedrawAll();
}
