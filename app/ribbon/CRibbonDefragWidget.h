#pragma once

#include "app/ribbon/CRibbonFeatureBar.h"

class IDefragController;
class QCheckBox;
class QComboBox;
class QLabel;

// The bar of the defragmentation tab: starts, pauses, resumes and stops defragmentation and
// analysis of the selected drives, with the method the user chose.
class CRibbonDefragWidget : public CRibbonFeatureBar {
    Q_OBJECT

public:
    // The entries of the method choice, in their order.
    enum TMethodChoice : int {
        kTierLayout = 0,
        kDefragOnly = 1,
        kConsolidateFreeSpace = 2,
    };

    explicit CRibbonDefragWidget(QWidget* parent = nullptr);

    int Method() const { return m_method; }
    bool ShutdownWhenComplete() const { return m_shutdownWhenComplete; }
    QComboBox* MethodChoice() const { return m_methodChoice; }
    QCheckBox* ShutdownCheckBox() const { return m_shutdown; }

public slots:
    void OnEntire();
    void OnPause();
    void OnResume();
    void OnStop();
    void OnAnalyse();
    void OnProperties();
    void OnSelected();
    void OnSystem();
    void OnMethodSelection(int index);
    void OnShutdownWhenComplete(bool shutdown);
    // Enables the inputs for the state of the drives.
    void UpdateButtons();
    // Starting (every start, the method choice, the drive properties), stopping, pausing and
    // resuming; what the policy does not offer stays hidden.
    void EnableInput(bool start, bool stop, bool pause, bool resume);

private:
    static IDefragController* Controller();
    void FollowControllers() override;

    CRibbonButton* m_start;
    CRibbonButton* m_pause;
    CRibbonButton* m_resume;
    CRibbonButton* m_stop;
    CRibbonButton* m_analyse;
    CRibbonButton* m_properties;
    CRibbonButton* m_selected;
    CRibbonButton* m_system;
    QLabel* m_methodLabel;
    QComboBox* m_methodChoice;
    QCheckBox* m_shutdown;
    int m_method = kTierLayout;
    bool m_shutdownWhenComplete = false;
    QPointer<QObject> m_followed;
};
