#pragma once

#include "defrag/CDiskNoteBookPage.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

// The online defragmentation settings of a volume: the fragmentation threshold, the default
// method and, with the newest agent, the engine's own choice of method.
class COnlineDefragPage : public CDiskNoteBookPage {
    Q_OBJECT

public:
    explicit COnlineDefragPage(const TDrivePropertiesContext& context, QWidget* parent = nullptr);

    QString Label() const override;
    QString HelpTopic() const override;

    QSpinBox* Threshold() const { return m_threshold; }
    QComboBox* Method() const { return m_method; }
    QCheckBox* Optiwise() const { return m_optiwise; }

public slots:
    HRESULT Load(std::wstring drive_guid) override;
    HRESULT Save(std::wstring drive_guid) override;
    bool Verify() override;
    void FragmentationSpinChanged(int value);
    void OnMethodSelection(int index);

private:
    QSpinBox* m_threshold;
    QComboBox* m_method;
    QCheckBox* m_optiwise;
    QLabel* m_ssdAdvice;
    bool m_ssd = false;
    bool m_thresholdUnset = true;
};
