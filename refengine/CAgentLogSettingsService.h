#pragma once

#include "AgentLogSettingsServiceBase.h"

#include <QString>

class CEventLog;

// The agent's log settings object (AgentLogSettings.xml): where the log goes, kept in a small
// JSON file (read at every call, so that every instance of the service sees the same value; a
// damaged file is moved aside and reads as the default, the product's own log), and the clearing
// of the event log. The destination "system log" (1) is the system journal: while it is set the
// log also hands every new entry to it (and keeps its own, which the console reads). The log must
// outlive the service.
class CAgentLogSettingsService : public CAgentLogSettingsServiceBase {
public:
    static constexpr uint kOwnLog = 0;
    static constexpr uint kSystemLog = 1;
    static constexpr int kNotSaved = static_cast<int>(0x8007001Du); // ERROR_WRITE_FAULT

    // Applies the stored destination to the log.
    CAgentLogSettingsService(CEventLog& log, QString filePath, QObject* parent = nullptr);

    int GetLogDestination(uint& destination) override;
    // E_INVALIDARG for a destination other than kOwnLog and kSystemLog.
    int SetLogDestination(uint destination) override;
    int ClearLog() override;

private:
    CEventLog& m_log;
    const QString m_filePath;
};
