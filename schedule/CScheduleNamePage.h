#pragma once

#include "core/Types.h"
#include "schedule/CWirePageBase.h"

#include <optional>
#include <set>

class CCadence;
class CCadenceWizardTableModel;
class QLineEdit;
class QListView;

// The page that names a schedule: a line edit for the name above the list of the schedules that
// exist. A name is refused when it is blank, taken by a schedule of any kind, one of the names
// the special schedules are kept or shown under, or not keepable by the agent: control
// characters, a lone half of a surrogate pair, or more than kMaxNameLength characters. While an
// existing schedule is edited its own name (the one the page was first loaded with) may stay.
class CScheduleNamePage : public CWirePageBase {
    Q_OBJECT

public:
    static constexpr qsizetype kMaxNameLength = 256;
    enum class TProblem { kNone, kBlank, kUnkeepable, kReserved, kTaken };

    // The name as it is stored: without leading and trailing blanks.
    static QString Normalized(const QString& text);
    // Whether the agent keeps the (normalized) name as it is.
    static bool IsKeepable(const QString& name);
    // The special schedules' names, fixed and shown.
    static bool IsReserved(const QString& name);

    // The scheduling model must outlive the page.
    CScheduleNamePage(const CCadence& cadence, QWidget* parent = nullptr);

    // A name refused besides those of the schedules, such as the old name of a renamed
    // schedule, even while editing.
    void RefuseName(const TName& name);
    // Why the current text is refused.
    TProblem Problem() const;

    QLineEdit* NameEdit() const { return m_edit; }
    QListView* ExistingList() const { return m_existing; }
    CCadenceWizardTableModel* Schedules() const { return m_schedules; }

    QString Title() const override;
    QString Summary() const override;
    void Load(const TWireRecord& record) override;
    void Store(TWireRecord* record) const override;
    QString Validate() const override;
    QWidget* FirstField() const override;

private:
    CCadenceWizardTableModel* m_schedules;
    QLineEdit* m_edit;
    QListView* m_existing;
    std::set<TName> m_refused;
    std::optional<TName> m_original;
};
