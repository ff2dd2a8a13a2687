#pragma once

#include "schedule/CCadence.h"
#include "schedule/CDefragMethodPage.h"
#include "schedule/CWireWizardWithIO.h"

// The wizards of drive schedules: the template-capable frame with the window title, the header
// and the help topic of one type, working on a drive schedule record.
class CDriveWizardBase : public CWireWizardWithIO {
    Q_OBJECT

public:
    struct TLook {
        const char* title;
        const char* header;
        const char* helpTopic;
    };

    CDriveWizardBase(TWizardType type, CCadence::CScheduleData record, QByteArray context,
                     const TLook& look, QWidget* parent = nullptr);

    // The record as the pages last stored it, of the wizard's own type whatever a loaded
    // template said.
    CCadence::CScheduleData Schedule() const;
    // The schedule type a drive wizard makes.
    static CCadence::TScheduleType ScheduleType(TWizardType type);

protected:
    // Adds the method page, then the date page joined to it: the date page's maximum duration is
    // offered only while the method page chooses the online pass.
    template <class TDatePage>
    void AddMethodAndDate(TDatePage* date)
    {
        auto* method = new CDefragMethodPage;
        date->SetForType(Type());
        connect(method, &CDefragMethodPage::OnlineSelected, date, &TDatePage::OnOnlineSelected);
        AddPage(method);
        AddPage(date);
        // The method page told its choice while loading, before the date page was there.
        date->OnOnlineSelected((std::get<CCadence::CScheduleData>(Record()).settings.passes &
                                CCadence::kOnlinePass) != 0);
    }
};
