#include "schedule/CRenameWizard.h"

#include "schedule/CScheduleNamePage.h"

CRenameWizard::CRenameWizard(const CCadence& cadence, const TWireRecord& record, QWidget* parent)
    : CWireWizardBase(kRename, record, "CRenameWizard", parent)
    , m_page(new CScheduleNamePage(cadence))
{
    setWindowTitle(Translate("Rename Schedule Wizard"));
    SetHeader(Translate("Rename Schedule"));
    m_page->RefuseName(WireName(record));
    AddPage(m_page);
}
