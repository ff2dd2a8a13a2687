#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"

#include <QPixmap>
#include <QPointer>
#include <QStatusBar>
#include <QString>
#include <QTimer>

#include <array>

class CAnimatedIcon;
class CDefrager;
class CKVTempRecycleCleanInterface;
class QLabel;
class QPaintEvent;
class QProgressBar;
class QResizeEvent;

// The main window's status bar: the progress and working message of the current drive, and
// three animated progress icons (scheduling, defragmentation, free-space tools) whose tool tips
// say what runs. Painted from the skin's three background pieces; the right piece shows only
// while the window is maximized, where the size grip would otherwise be.
class CCustomStatusBar : public QStatusBar, public CTranslatable {
    Q_OBJECT

public:
    // The icons by busy index; the indexes after them (Exchange, virtual machines) have none.
    enum TIcon : int {
        kSchedulingIcon = 0,
        kDefragmentationIcon = 1,
        kFreeSpaceIcon = 2,
        kIconCount = 3,
    };
    static constexpr int kToolTipMilliseconds = 1000;
    static constexpr int kPieceCount = 3;
    // Left, stretched middle, right.
    static const std::array<const char*, kPieceCount> kPieceNames;

    // DRIVES may be null: no current drive, no drive lines in the tool tip.
    explicit CCustomStatusBar(CDefrager* drives, QWidget* parent = nullptr);
    ~CCustomStatusBar() override;

    // Follows the cleaner's progress messages for the free-space icon's tool tip. The wrapper
    // signals from its listener's thread, so the messages arrive queued. Null stops following.
    void SetCleaner(CKVTempRecycleCleanInterface* cleaner);

    // The icon of a busy index; null for an index without one.
    CAnimatedIcon* Icon(int index) const;
    bool AnyIconAnimating() const;
    // What the current drive's status widget shows.
    int ProgressValue() const;
    QString ProgressMessage() const;
    // The cleaner's latest progress message.
    const QString& CleanerMessage() const { return m_cleanerMessage; }
    // The drive status lines, one per drive that is not idle.
    QString DriveStatusToolTip() const;
    bool RightPieceShown() const;
    const QTimer& ToolTipTimer() const { return m_toolTipTimer; }
    const QPixmap& Piece(int index) const { return m_pieces[std::size_t(index)]; }

signals:
    // Whether any icon animates: the animation clock need only tick while one does.
    void AnimationWanted(bool wanted);

public slots:
    void SkinChanged();
    void SetProgressIconBusy(int index, bool busy);
    void SetProgressIconTooltip(int index, const QString& tool_tip);
    void OnAnimate();
    void UpdateToolTips();
    void ClearToolTips();
    void UpdateFromModel();
    void OnConnectComputer();
    void OnCurrentVolumeChanged(const TId& id);
    void OnWorkingMessageChanged(const TId& id, double percent, const TString& message);
    // The main window's Maximized(bool).
    void OnMaximized(bool maximized);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnCleanerStarted();
    void OnCleanerProgress(const QString& message, int percent);
    // The pieces at the bar's height, made again when the height or the skin changes.
    void ScalePieces();
    void TellAnimationWanted();

    QPointer<CDefrager> m_drives;
    QPointer<CKVTempRecycleCleanInterface> m_cleaner;
    QProgressBar* m_progress;
    QLabel* m_message;
    std::array<CAnimatedIcon*, kIconCount> m_icons{};
    QLabel* m_rightPiece;
    std::array<QPixmap, kPieceCount> m_pieces;
    std::array<QPixmap, kPieceCount> m_scaledPieces;
    int m_scaledHeight = -1;
    QTimer m_toolTipTimer;
    QString m_cleanerMessage;
    bool m_animationWanted = false;
    bool m_maximized = false;
};
