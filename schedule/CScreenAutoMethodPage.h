#pragma once

#include "schedule/CWirePageBase.h"

class QButtonGroup;
class QRadioButton;

// "Defrag Method" of the screen-saver and QuietWatch wizards: the drive's own settings or one of
// three ways to place the files. A method the page does not offer (from the agent or a template)
// is kept as it is until one is chosen.
class CScreenAutoMethodPage : public CWirePageBase {
    Q_OBJECT

public:
    explicit CScreenAutoMethodPage(QWidget* parent = nullptr);

    QString Title() const override;
    QString Summary() const override;
    void Load(const TWireRecord& record) override;
    void Store(TWireRecord* record) const override;
    QString Validate() const override;
    QWidget* FirstField() const override;

    // The method the page would store; -1 when none of its choices is on.
    int Method() const;
    // Chooses a method the page offers (the drive's settings or a way to place files); other
    // values leave the choice as it is.
    void SetMethod(quint32 method);

    QRadioButton* DriveSettingsButton() const { return m_driveSettings; }
    QRadioButton* DefragmentUsingButton() const { return m_defragmentUsing; }
    // The way to place files for a method 0, 1 or 2.
    QRadioButton* PlacementButton(int method) const;

private:
    void UpdateEnabled();

    QRadioButton* m_driveSettings;
    QRadioButton* m_defragmentUsing;
    QButtonGroup* m_source;
    QButtonGroup* m_placement;
};
