#include "tests/support/CFakeAppController.h"

using namespace Qt::StringLiterals;

namespace {

// Clears a registration only when it is the registered controller that goes.
template <typename T>
void FakeAppControllerUnregister(T*& registered, T* controller)
{
    if (registered == controller)
        registered = nullptr;
}

} // namespace

CFakeAppController::CFakeAppController()
    : m_policy(m_environment.Root())
    , m_settings(u"Tellmar"_s, u"Korvane"_s)
{
    SetCurrent(this);
}

CFakeAppController::~CFakeAppController()
{
    if (Current() == this)
        SetCurrent(nullptr);
}

void CFakeAppController::SetSkin(int skin)
{
    m_model.SetSkin(CModel::SkinOf(skin));
    emit SkinChanged();
}

void CFakeAppController::SimulateConnection(quint32 edition, bool remote)
{
    m_model.SetEdition(edition);
    m_model.SetRemote(remote);
    emit ComputerConnected();
}

void CFakeAppController::SetActivePane(CModelLayout::TPaneType pane)
{
    calls.append(u"SetActivePane(%1)"_s.arg(int(pane)));
    m_appModel.SetActivePane(pane);
    emit PaneActivated(pane);
}

void CFakeAppController::ContextHelp(const QString& help_file)
{
    calls.append(u"ContextHelp(%1)"_s.arg(help_file));
}

#define KORVANE_FAKE_CONTROLLER_PAIR(Kind, member)                                                 \
    void CFakeAppController::Register##Kind##Controller(I##Kind##Controller* controller)           \
    {                                                                                              \
        member = controller;                                                                       \
    }                                                                                              \
    void CFakeAppController::Unregister##Kind##Controller(I##Kind##Controller* controller)         \
    {                                                                                              \
        FakeAppControllerUnregister(member, controller);                                           \
    }

KORVANE_FAKE_CONTROLLER_PAIR(Defrag, m_defrag)
KORVANE_FAKE_CONTROLLER_PAIR(FreeSpace, m_freeSpace)
KORVANE_FAKE_CONTROLLER_PAIR(SpaceExplorer, m_spaceExplorer)
KORVANE_FAKE_CONTROLLER_PAIR(SpaceReports, m_spaceReports)
KORVANE_FAKE_CONTROLLER_PAIR(DuplicatesFinder, m_duplicates)
KORVANE_FAKE_CONTROLLER_PAIR(Exchange, m_exchange)
KORVANE_FAKE_CONTROLLER_PAIR(Cadence, m_cadence)
KORVANE_FAKE_CONTROLLER_PAIR(VM, m_vm)
KORVANE_FAKE_CONTROLLER_PAIR(AD, m_ad)
KORVANE_FAKE_CONTROLLER_PAIR(ProductResources, m_productResources)

#undef KORVANE_FAKE_CONTROLLER_PAIR

bool CFakeAppController::ConnectToComputer(TName computer, TName, TString, TName)
{
    calls.append(u"ConnectToComputer(%1)"_s.arg(QString::fromStdWString(computer)));
    return false;
}

bool CFakeAppController::ConnectToComputerWithRetry(TName& computer, TName&, TString&, TName&)
{
    calls.append(u"ConnectToComputerWithRetry(%1)"_s.arg(QString::fromStdWString(computer)));
    return false;
}

void CFakeAppController::DisplayNeededFinalAction(std::wstring message,
                                                  CFinalAdvice::TFinishActionAdvice advice)
{
    calls.append(u"DisplayNeededFinalAction(%1,%2)"_s.arg(QString::fromStdWString(message))
                     .arg(int(advice)));
    m_model.AddFinalAction(advice, message);
}

quint32 CFakeAppController::StopShutdown()
{
    calls.append(u"StopShutdown"_s);
    return 0;
}

void CFakeAppController::SetSystemTrayProgressBusy(CModel::TIconBusyIndex index,
                                                   CModel::TBusyStatus status)
{
    calls.append(u"SetSystemTrayProgressBusy(%1,%2)"_s.arg(int(index)).arg(int(status)));
    m_model.SetBusy(index, status);
}
