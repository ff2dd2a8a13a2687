#pragma once

#include "refengine/CAgentSettingsStore.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;

// The engine's check for product updates: it fetches the version manifest from the update server
// the settings name (the product's own when none is set) and logs whether a newer version is
// there. It never downloads or installs anything: on Linux the system's package manager installs
// the product, and the log says so. The manifest is a small JSON object whose "version" is the
// newest version, dotted numbers ("11.0.2").
class CUpdateCheck : public QObject {
    Q_OBJECT

public:
    using TSettingsSource = std::function<CAgentSettingsStore::TSettings()>;
    using TLog = std::function<void(qint32 eventType, qint32 eventId, const QString& message)>;

    enum class TOutcome { UpToDate, Available, Failed };
    Q_ENUM(TOutcome)

    // The product's own server and the manifest's path on it, used when the settings leave
    // them empty.
    static const QString kDefaultServer;
    static const QString kDefaultUrlPath;
    static constexpr int kTimeoutMs = 30 * 1000;
    static constexpr qint64 kMostManifestBytes = 64 * 1024;

    static constexpr qint32 kEventAvailable = 120;
    static constexpr qint32 kEventUpToDate = 121;
    static constexpr qint32 kEventFailed = 122;

    CUpdateCheck(TSettingsSource settings, QString installedVersion, TLog log,
                 QObject* parent = nullptr);
    ~CUpdateCheck() override;

    // Whether the settings ask for checks at all ("Do not automatically check" does not).
    bool Enabled() const;
    // Starts a check, whatever the settings say of when. S_FALSE while one runs, E_INVALIDARG
    // for a server and path that make no http or https address (logged).
    HRESULT Check();
    bool Checking() const { return m_reply != nullptr; }

    // The manifest's address: SERVER is a host (https is assumed) or an http or https address,
    // URLPATH the path on it; either empty takes the default. An invalid URL when they make none.
    static QUrl ManifestUrl(const QString& server, const QString& urlPath);
    // The version a manifest offers; E_INVALIDARG, VERSION untouched, for anything else.
    static HRESULT ReadManifest(const QByteArray& manifest, QString* version);
    // Below 0, 0 or above 0 as version A is older than, the same as or newer than B; missing
    // trailing parts count as 0.
    static int CompareVersions(const QString& a, const QString& b);

signals:
    // Once per check started; VERSION is the one offered, empty when the check failed.
    void Checked(CUpdateCheck::TOutcome outcome, const QString& version);

private:
    void OnFinished();
    void End(TOutcome outcome, const QString& version, qint32 eventType, qint32 eventId,
             const QString& message);

    const TSettingsSource m_settings;
    const QString m_installedVersion;
    const TLog m_log;
    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_reply;
    QUrl m_url;
    uint m_installOption = 0;
};
