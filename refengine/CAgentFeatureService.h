#pragma once

#include "AgentFeatureServiceBase.h"

#include <QString>

// The agent's feature object (AgentFeature.xml): the QuietWatch thresholds and the virtual
// environment, kept in a small JSON file (owner-only: it holds the host account's password),
// read at every call so that every instance of the service sees the same values. A damaged file
// is moved aside and reads as the defaults: automatic thresholds of 20 % kernel and 30 % user
// CPU and 4 MiB/s of disk I/O, here and on the host, and a physical computer.
class CAgentFeatureService : public CAgentFeatureServiceBase {
public:
    static constexpr uint kMaxComputerKind = 5;
    static constexpr qsizetype kMaxTextLength = 1024;
    static constexpr int kNotSaved = static_cast<int>(0x8007001Du); // ERROR_WRITE_FAULT
    // TestVirtualHost: no host is reachable from this engine.
    static constexpr int kHostNotReachable = static_cast<int>(0x80070035u); // ERROR_BAD_NETPATH

    struct TThresholds {
        bool automatic = true;
        uint kernelCpu = 20;
        uint userCpu = 30;
        uint diskIo = 4 * 1024 * 1024;
        uint hostKernelCpu = 20;
        uint hostUserCpu = 30;
        uint hostDiskIo = 4 * 1024 * 1024;

        bool operator==(const TThresholds&) const = default;
    };

    struct TVirtualEnvironment {
        uint computerKind = 0;
        QString host;
        QString userName;
        QString password;

        bool operator==(const TVirtualEnvironment&) const = default;
    };

    explicit CAgentFeatureService(QString filePath, QObject* parent = nullptr);

    int GetQuietWatchThresholds(bool& automatic, uint& kernelCpu, uint& userCpu, uint& diskIo,
                                uint& hostKernelCpu, uint& hostUserCpu, uint& hostDiskIo) override;
    // E_INVALIDARG for a CPU share above 100 percent.
    int SetQuietWatchThresholds(bool automatic, uint kernelCpu, uint userCpu, uint diskIo,
                                uint hostKernelCpu, uint hostUserCpu, uint hostDiskIo) override;
    int GetVirtualEnvironment(uint& computerKind, QString& host, QString& userName,
                              QString& password) override;
    // E_INVALIDARG for an unknown kind, a guest kind without a host, and overlong text or text
    // with control characters.
    int SetVirtualEnvironment(uint computerKind, const QString& host, const QString& userName,
                              const QString& password) override;
    // E_INVALIDARG without a host; kHostNotReachable otherwise.
    int TestVirtualHost(const QString& host, const QString& userName,
                        const QString& password) override;

private:
    struct TState {
        TThresholds thresholds;
        TVirtualEnvironment environment;
    };

    // Under the class's lock.
    TState Read() const;
    bool Write(const TState& state) const;

    const QString m_filePath;
};
