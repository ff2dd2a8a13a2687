#pragma once

#include <QMainWindow>
#include <QString>

#include <array>

// The console's main window. It keeps the busy state and the tool tip of each feature's progress
// icon for the status bar.
class CMainWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kProgressIcons = 5;

    explicit CMainWindow(QWidget* parent = nullptr);

    bool ProgressIconBusy(int index) const;
    QString ProgressIconTooltip(int index) const;
    bool SkipsNextShowEvent() const { return m_skipNextShow; }

signals:
    void Maximized(bool maximized);
    void SetAdvancedMode(bool advanced);

public slots:
    void SetProgressIconBusy(int index, bool busy);
    void SetProgressIconTooltip(int index, const QString& tooltip);
    void SetSkipNextShowEvent();

private:
    struct TProgressIcon {
        bool busy = false;
        QString tooltip;
    };

    std::array<TProgressIcon, kProgressIcons> m_progressIcons{};
    bool m_skipNextShow = false;
};
