#pragma once

#include "core/Types.h"
#include "schedule/CWireWizardBase.h"

class CCadence;
class CScheduleNamePage;

// Asks for a schedule's new name on one name page: a unique name that is not the schedule's
// old one. No template links and no help topic.
class CRenameWizard : public CWireWizardBase {
    Q_OBJECT

public:
    // The scheduling model must outlive the wizard.
    CRenameWizard(const CCadence& cadence, const TWireRecord& record, QWidget* parent = nullptr);

    CScheduleNamePage* NamePage() const { return m_page; }
    // The name the page stored when the wizard finished.
    TName NewName() const { return WireName(Record()); }

private:
    CScheduleNamePage* m_page;
};
