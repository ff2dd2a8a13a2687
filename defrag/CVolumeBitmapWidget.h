#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"
#include "defrag/CBitmapColors.h"

#include <QBasicTimer>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <array>
#include <map>
#include <set>
#include <vector>

class CDefrager;
class QTimer;

// The drive map: the current volume as 100 x 36 blocks, each drawn with a pre-drawn image of its
// code, fragmented blocks outlined. The whole map lives in an off-screen image that the paint
// handler copies; live runs redraw only their blocks and ask for a repaint of the touched area,
// collected into one repaint per turn of the event loop. The selected file's blocks blink, the
// hovered block is darkened, and a hidden diversion plays Conway's game on the grid.
// GUI thread only.
class CVolumeBitmapWidget : public QWidget, public CTranslatable {
    Q_OBJECT

public:
    static constexpr int kColumns = 100;
    static constexpr int kBlockCount = 3600;
    static constexpr int kRows = (kBlockCount + kColumns - 1) / kColumns;
    // Size flags of a block's image index: one pixel wider, one pixel taller.
    static constexpr quint8 kWider = 0x20;
    static constexpr quint8 kTaller = 0x40;
    static constexpr int kBlinkInterval = 1000;
    static constexpr int kLifeFastest = 100;
    static constexpr int kLifeSlowest = 1000;
    static constexpr int kLifeStartInterval = 500;
    static constexpr int kLifeIntervalStep = 100;

    explicit CVolumeBitmapWidget(CDefrager& model, QWidget* parent = nullptr);
    ~CVolumeBitmapWidget() override;

    // What the map shows: the volume, its block codes, the selected blocks and file name.
    const TId& Volume() const { return m_volume; }
    const std::vector<quint32>& Blocks() const { return m_blocks; }
    const std::set<quint32>& SelectedBlocks() const { return m_selectedBlocks; }

    // Geometry of the last layout: the base cell size, a block's rectangle (empty for indices
    // outside the map) and image size flags, and the block under a point (-1 when none).
    QSize CellSize() const { return m_cellSize; }
    QRect BlockRect(int index) const;
    quint8 SizeFlags(int index) const;
    int BlockAt(QPoint point) const;

    // The off-screen image the paint handler copies, with the runs received so far drawn.
    const QImage& MapImage();
    int HoveredBlock() const { return m_hovered; }
    // The selected blocks are drawn darkened in this phase.
    bool BlinkPhase() const { return m_blinkDark; }
    bool IsBlinking() const { return m_blinkTimer.isActive(); }

    // Live progress: blocks first to first + count - 1 take the code. The part outside the map
    // is ignored. The blocks are drawn, with the outlines around them, once per turn of the event
    // loop (or when the image is asked for), however many runs arrived meanwhile.
    void UpdateBlocks(quint32 code, uint first, uint count);
    // Redraws every block from the codes kept.
    void RedrawAll();
    // Reads the colours again and reloads.
    void ReloadColors();

    // The tool tip of a block, whatever the volume's state.
    QString ToolTipText(int index) const;
    // Whether the files of a block can be listed now: the current volume is neither running nor
    // paused, the edition allows it, the engine lists the files of the volume's blocks and the
    // agent is of the newest generation.
    bool CanShowFiles() const;
    // The block whose files LaunchFilesDialog lists: the one last double-clicked or
    // right-clicked.
    int FilesBlock() const { return m_filesBlock; }
    void SetFilesBlock(int index) { m_filesBlock = index; }

    // The diversion's state.
    bool IsLifeRunning() const { return m_lifeRunning; }
    int LifeInterval() const { return m_lifeInterval; }
    bool LifeWraps() const { return m_lifeWraps; }
    // The live cells, row by row.
    const std::vector<bool>& LifeCells() const { return m_lifeCells; }

signals:
    void OnProperties(QPoint, QPoint);
    // The colours changed: the map reads them again (and so does whoever listens).
    void ResetColors();
    // The user asked for the files of a block (double-click or "Show Files...") where the map
    // allows it; the page opens the list.
    void BlockFilesRequested(const TId& volume, int block);

public slots:
    // Reloads the volume, its blocks and selection from the drive model.
    void Refresh();
    void LaunchFilesDialog();
    void StartLife();
    void RandomLife();
    void LifeSpeedUp();
    void LifeSlowDown();
    void LifePetriToggle();
    void Life();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void Layout();
    void PredrawImages();
    const QImage& ImageOf(int index) const;
    // Draws one block's image into the off-screen image, darkened or not; outlines it when
    // fragmented and the fragmented neighbours it may have painted over.
    void DrawBlock(int index, bool darkened);
    void CopyImage(const QImage& source, QPoint at);
    void Outline(int index);
    void CollectFragmentedNeighbours(int index, std::vector<int>& collected) const;
    void DrawStale();
    void MarkDirty(const QRect& rect);
    void ScheduleFlush();
    void FlushRepaint();
    void UpdateBlink();
    void SetHovered(int index);
    bool IsCurrentRunning() const;
    bool IsCurrentRunningOrPaused() const;
    void EndLife();
    void DrawLife();
    CDefrager& m_model;
    CBitmapColors::TTable m_colors;
    TId m_volume;
    std::vector<quint32> m_blocks;
    std::set<quint32> m_selectedBlocks;
    TString m_selectedFileName;

    // Indexed by drawing category | size flags.
    std::array<QImage, 128> m_images;
    QImage m_image;
    QSize m_cellSize;
    QSize m_layoutSize;
    std::array<QRect, kBlockCount> m_rects;
    std::array<quint8, kBlockCount> m_flags{};
    bool m_layoutPending = true;
    bool m_blinkDark = false;
    QBasicTimer m_blinkTimer;
    int m_hovered = -1;
    int m_filesBlock = -1;
    // Blocks whose code changed since they were last drawn, within [m_staleBegin, m_staleEnd).
    std::vector<char> m_stale = std::vector<char>(kBlockCount, 0);
    int m_staleBegin = kBlockCount;
    int m_staleEnd = 0;
    QRect m_dirty;
    bool m_repaintPosted = false;

    bool m_lifeRunning = false;
    bool m_lifeWraps = true;
    int m_lifeInterval = kLifeStartInterval;
    std::vector<bool> m_lifeCells;
    std::vector<quint32> m_savedBlocks;
    // How often each code was seen among the live blocks when the game started.
    std::map<quint32, int> m_lifeCodes;
    QTimer* m_lifeTimer = nullptr;
};
