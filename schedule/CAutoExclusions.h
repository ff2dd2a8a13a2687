#pragma once

#include "schedule/CScheduleSettings.h"
#include "schedule/CWirePageBase.h"

class CTimeline;
class QListWidget;
class QPushButton;

// "Exclusions" of the QuietWatch wizard: the programs during whose run nothing is defragmented
// and, on the timeline, the periods in which the schedule must not run. A program is kept by its
// file name, which is what the agent finds among the running programs. The windows are stored
// as the timeline holds them once it was changed; until then as they were loaded (the timeline
// drops windows that lie in the past).
class CAutoExclusions : public CWirePageBase {
    Q_OBJECT

public:
    explicit CAutoExclusions(QWidget* parent = nullptr);

    QString Title() const override;
    QString Summary() const override;
    void Load(const TWireRecord& record) override;
    void Store(TWireRecord* record) const override;
    QString Validate() const override;
    QWidget* FirstField() const override;

    // Adds the program of a chosen file by its file name; a program already listed (as the
    // agent compares names) or a name the agent's list cannot keep is refused with a box and
    // nothing is added.
    bool AddProgram(const QString& path);
    QStringList Programs() const;

    QListWidget* ProgramList() const { return m_programs; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* RemoveButton() const { return m_remove; }
    QPushButton* RemoveAllButton() const { return m_removeAll; }
    CTimeline* Timeline() const { return m_timeline; }

public slots:
    // "Add...": a program chosen in a file dialog.
    void OnAdd();
    // The selected programs leave the list.
    void OnRemove();
    void OnRemoveAll();

private:
    void UpdateButtons();

    QListWidget* m_programs;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_removeAll;
    CTimeline* m_timeline;
    CScheduleSettings::TExclusionWindows m_loadedWindows;
    bool m_windowsChanged = false;
};
