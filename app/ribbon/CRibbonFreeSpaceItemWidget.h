#pragma once

#include "app/ribbon/CRibbonFeatureBar.h"
#include "appmodel/CModelLayout.h"
#include "core/HResult.h"

class QCheckBox;

// The part of the "Space Management" bar that belongs to one sub-pane: starting and stopping
// the cleaner, the duplicates finder, the space explorer or space reports. Start, analyse and
// stop answer Ctrl+D, Ctrl+Q and Ctrl+S while the sub-pane is shown. The cleaner's part also
// chooses what the cleaner empties.
class CRibbonFreeSpaceItemWidget : public CRibbonFeatureBar {
    Q_OBJECT

public:
    explicit CRibbonFreeSpaceItemWidget(CModelLayout::TFreeSpacePaneType pane,
                                        QWidget* parent = nullptr);

    CModelLayout::TFreeSpacePaneType Pane() const { return m_pane; }
    // Null where the sub-pane has no such button or check box.
    CRibbonButton* StartButton() const { return m_start; }
    CRibbonButton* AnalyseButton() const { return m_analyse; }
    CRibbonButton* StopButton() const { return m_stop; }
    QCheckBox* RecycleBinCheckBox() const { return m_recycleBin; }
    QCheckBox* TemporaryFilesCheckBox() const { return m_temporaryFiles; }
    bool IsRunning() const { return m_running; }

public slots:
    void OnStart();
    void OnAnalyse();
    void OnStop();
    void OnRecycleBinToggled(bool checked);
    void OnTemporaryFilesToggled(bool checked);

    // The sub-pane's controller reports its passes.
    void OnStarted();
    void OnStopped();
    void OnCompleted();
    // The options word as the free-space controller stores it.
    void OnOptionsUpdated(DWORD options);
    // Start and analyse while nothing runs, stop while something does.
    void UpdateButtons();

private:
    void FollowControllers() override;
    QObject* ControllerObject() const;
    void SetOption(DWORD bit, bool set);

    CModelLayout::TFreeSpacePaneType m_pane;
    CRibbonButton* m_start = nullptr;
    CRibbonButton* m_analyse = nullptr;
    CRibbonButton* m_stop = nullptr;
    QCheckBox* m_recycleBin = nullptr;
    QCheckBox* m_temporaryFiles = nullptr;
    DWORD m_options = 0;
    bool m_running = false;
    QPointer<QObject> m_followed;
};
