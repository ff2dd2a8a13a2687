#pragma once

#include "appmodel/CFinalAdvice.h"
#include "core/Types.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>
#include <string>

// The console's own state besides the feature models: the pending final actions, the skin, the
// product edition and whether the connected computer is remote, and the busy state per feature.
class CModel {
public:
    using TBusyStatus = ::TBusyStatus;

    // The features whose busy state the tray and the status bar show.
    enum TIconBusyIndex : int {
        kScheduling = 0,
        kDefragmentation = 1,
        kFreeSpaceTools = 2,
        kExchange = 3,
        kVirtualMachines = 4,
    };
    static constexpr int kBusyIndexCount = 5;

    struct TSkin {
        int number = 0;
        QString styleSheet = QStringLiteral("skin-blue");
        QString imageFolder = QStringLiteral("skin_blue");
    };
    static TSkin SkinOf(int number);

    struct TFinalAction {
        CFinalAdvice::TFinishActionAdvice advice;
        std::wstring message;
    };

    // Editions that change what the console offers.
    static constexpr quint32 kEditionExchange = 3;
    static constexpr quint32 kEditionVirtualMachines = 4;
    static constexpr quint32 kEditionWithoutFreeSpace = 6;

    const TSkin& Skin() const { return m_skin; }
    void SetSkin(const TSkin& skin) { m_skin = skin; }
    // A picture of the current skin, as a resource path.
    QString SkinImage(const QString& name) const;

    quint32 Edition() const { return m_edition; }
    void SetEdition(quint32 edition) { m_edition = edition; }

    bool IsRemote() const { return m_remote; }
    void SetRemote(bool remote) { m_remote = remote; }

    // The scheduling tab leaves out the drive schedules of policy (Group Policy or the enterprise
    // console) when set.
    bool SkipsPolicySchedules() const { return m_skipPolicySchedules; }
    void SetSkipPolicySchedules(bool skip) { m_skipPolicySchedules = skip; }

    TBusyStatus Busy(int index) const;
    // False for an index outside the table.
    bool SetBusy(int index, TBusyStatus status);
    bool AnyBusy(TBusyStatus status) const;

    // One entry per advice: a second request of the same advice replaces the message.
    void AddFinalAction(CFinalAdvice::TFinishActionAdvice advice, const std::wstring& message);
    // The most urgent entry: the smallest advice, the earliest among equals.
    std::optional<TFinalAction> MostUrgentFinalAction() const;
    const QList<TFinalAction>& FinalActions() const { return m_finalActions; }
    void ClearFinalActions() { m_finalActions.clear(); }

private:
    QList<TFinalAction> m_finalActions;
    TSkin m_skin;
    quint32 m_edition = 2;
    bool m_remote = false;
    bool m_skipPolicySchedules = false;
    std::array<TBusyStatus, kBusyIndexCount> m_busy{};
};
