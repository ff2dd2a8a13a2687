#pragma once

#include "core/HResult.h"

#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>

// The product settings behind the agent's settings object: one member per Get/Set pair of
// AgentSettings.xml (the slot of its Get in the comment). Kept in one JSON file (owner-only: it
// holds the proxy and Exchange passwords), rewritten whole and atomically on every change; a
// change that cannot be written is undone. A missing file gives the defaults below, and so does a
// damaged one (moved aside to "<file>.damaged" first); a key missing from an intact file takes
// its default. Every member may be called from any thread.
class CAgentSettingsStore {
public:
    static constexpr HRESULT kNotSaved = HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
    static constexpr qsizetype kMaxTextLength = 1024;
    static constexpr qsizetype kMaxExtensions = 1000;
    static constexpr qsizetype kMaxExtensionLength = 64;

    // The seven file-type groups, each a list of extensions without the dot ("txt").
    struct TFileTypes {
        QStringList text;
        QStringList pictures;
        QStringList video;
        QStringList programs;
        QStringList music;
        QStringList temporary;
        QStringList userDefined;

        bool operator==(const TFileTypes&) const = default;
    };

    // The defaults are those of a fresh machine.
    struct TSettings {
        // Slot 7: 0 managed by the product (recommended), 1 every layout.ini, 2 left to the
        // system, 3 disabled.
        uint bootFileLayout = 0;
        // Slot 9: 0 notify when an update is available, 1 always install, 2 never check.
        uint autoUpdateInstall = 0;
        // Slot 11: empty for the product's own server.
        QString updateServer;
        QString updateUrlPath;
        // Slots 17 and 19: no proxy account.
        QString proxyUserName;
        QString proxyPassword;
        // Slot 21: missed schedules run at restart (0; 1 reschedules them); no waking from
        // standby.
        uint missedSchedules = 0;
        bool wakeFromStandby = false;
        // Slot 23: passes stop on battery and do not start on it.
        bool stopOnBattery = true;
        bool noStartOnBattery = true;
        // Slot 27: 0 below normal, 1 normal, 2 above normal.
        uint cpuPriority = 0;
        // Slot 29.
        bool ioThrottling = true;
        // Slots 34 and 35: none set; an empty group means the factory list.
        TFileTypes customFileTypes;
        // Slots 36 and 38: external hard disks yes, flash drives no.
        bool allowExternalDrives = true;
        bool allowFlashDrives = false;
        // Slots 41, 43, 45 and 47: no Exchange account, server or notice mail.
        QString exchangeUserName;
        QString exchangePassword;
        QString exchangeServerName;
        QString smtpServer;
        QString notifySender;
        QString notifyRecipient;
        // Slot 49: 0 not defragmented, 1 compatible mode, 2 normally.
        uint vssMode = 1;
        // Slot 71: percent of the disk, 0 to 100.
        uint vssThreshold = 10;
        // Slot 74: solid-state drives are not defragmented.
        bool allowSsdDrives = false;
        bool excludeHibernationFile = true;

        bool operator==(const TSettings&) const = default;
    };

    explicit CAgentSettingsStore(QString filePath);
    CAgentSettingsStore(const CAgentSettingsStore&) = delete;
    CAgentSettingsStore& operator=(const CAgentSettingsStore&) = delete;

    TSettings Settings() const;
    // Applies the change to a copy and keeps it when Validate accepts it and the file is
    // written: E_INVALIDARG (or kNotSaved) and nothing changed otherwise.
    HRESULT Update(const std::function<void(TSettings&)>& change);

    // The factory lists (slot 32), and those in use (slot 31): the user's where set.
    static TFileTypes DefaultFileTypes();
    TFileTypes FileTypesInUse() const;

    // E_INVALIDARG for an enumeration value out of its range, a percentage above 100, text
    // longer than kMaxTextLength or with line breaks or other control characters, and
    // extension lists that are too long or hold an empty, overlong or path-like extension.
    static HRESULT Validate(const TSettings& settings);

    const QString& FilePath() const { return m_filePath; }

private:
    void Load();
    bool Save(const TSettings& settings) const;

    const QString m_filePath;
    mutable QMutex m_mutex;
    TSettings m_settings;
};
