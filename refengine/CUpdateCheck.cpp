#include "refengine/CUpdateCheck.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

const QString CUpdateCheck::kDefaultServer = u"https://updates.tellmar.com"_s;
const QString CUpdateCheck::kDefaultUrlPath = u"/korvane/11.0/linux/manifest.json"_s;

namespace {

const QRegularExpression& CUpdateCheckVersionPattern()
{
    static const QRegularExpression pattern(u"^\\d{1,9}(\\.\\d{1,9}){0,3}$"_s);
    return pattern;
}

} // namespace

CUpdateCheck::CUpdateCheck(TSettingsSource settings, QString installedVersion, TLog log,
                           QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_installedVersion(std::move(installedVersion))
    , m_log(std::move(log))
    , m_network(new QNetworkAccessManager(this))
{}

CUpdateCheck::~CUpdateCheck()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

bool CUpdateCheck::Enabled() const
{
    return m_settings().autoUpdateInstall != 2;
}

QUrl CUpdateCheck::ManifestUrl(const QString& server, const QString& urlPath)
{
    QString base = server.trimmed().isEmpty() ? kDefaultServer : server.trimmed();
    if (!base.contains(u"://"_s))
        base.prepend(u"https://"_s);
    QUrl url(base, QUrl::StrictMode);
    const QString path = urlPath.trimmed().isEmpty() ? kDefaultUrlPath : urlPath.trimmed();
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != u"http"_s && url.scheme() != u"https"_s) || url.hasQuery() ||
        url.hasFragment() || !url.userInfo().isEmpty())
        return QUrl();
    const QString joined = (url.path().endsWith(u'/') ? url.path().chopped(1) : url.path()) +
                           (path.startsWith(u'/') ? path : u'/' + path);
    url.setPath(joined, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

HRESULT CUpdateCheck::ReadManifest(const QByteArray& manifest, QString* version)
{
    if (manifest.size() > kMostManifestBytes)
        return E_INVALIDARG;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(manifest, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return E_INVALIDARG;
    const QJsonValue offered = document.object().value(u"version"_s);
    if (!offered.isString() || !CUpdateCheckVersionPattern().match(offered.toString()).hasMatch())
        return E_INVALIDARG;
    *version = offered.toString();
    return S_OK;
}

int CUpdateCheck::CompareVersions(const QString& a, const QString& b)
{
    const QStringList left = a.split(u'.');
    const QStringList right = b.split(u'.');
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const qulonglong x = i < left.size() ? left.at(i).toULongLong() : 0;
        const qulonglong y = i < right.size() ? right.at(i).toULongLong() : 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

HRESULT CUpdateCheck::Check()
{
    if (m_reply)
        return S_FALSE;
    const CAgentSettingsStore::TSettings settings = m_settings();
    m_installOption = settings.autoUpdateInstall;
    m_url = ManifestUrl(settings.updateServer, settings.updateUrlPath);
    if (!m_url.isValid()) {
        const QString message =
            u"The update server \"%1\" and path \"%2\" make no web address; no update check "
            u"was made."_s.arg(settings.updateServer, settings.updateUrlPath);
        m_log(2, kEventFailed, message);
        emit Checked(TOutcome::Failed, QString());
        return E_INVALIDARG;
    }
    QNetworkRequest request(m_url);
    request.setTransferTimeout(kTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      u"korvane-engine/%1"_s.arg(m_installedVersion));
    m_reply = m_network->get(request);
    // A manifest is small: a larger answer is not one, and is not read to its end.
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        if (received > kMostManifestBytes && m_reply)
            m_reply->abort();
    });
    connect(m_reply, &QNetworkReply::finished, this, &CUpdateCheck::OnFinished);
    return S_OK;
}

void CUpdateCheck::OnFinished()
{
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    if (!reply)
        return;
    reply->deleteLater();
    const QString where = m_url.toDisplayString();
    if (reply->error() != QNetworkReply::NoError) {
        End(TOutcome::Failed, QString(), 2, kEventFailed,
            u"The update check at %1 failed: %2"_s.arg(where, reply->errorString()));
        return;
    }
    QString offered;
    if (FAILED(ReadManifest(reply->read(kMostManifestBytes + 1), &offered))) {
        End(TOutcome::Failed, QString(), 2, kEventFailed,
            u"The update check at %1 failed: the answer is not a version manifest."_s.arg(where));
        return;
    }
    if (CompareVersions(offered, m_installedVersion) <= 0) {
        End(TOutcome::UpToDate, offered, 4, kEventUpToDate,
            u"Korvane %1 is up to date (the newest version at %2 is %3)."_s.arg(m_installedVersion,
                                                                                where, offered));
        return;
    }
    // Installing is the package manager's on Linux, whichever install option is chosen.
    const QString how = m_installOption == 1
                            ? u"Updates are installed by the system's package manager, not by "
                              u"Korvane: update the korvane packages there."_s
                            : u"Install it with the system's package manager."_s;
    End(TOutcome::Available, offered, 4, kEventAvailable,
        u"Korvane %1 is available (installed: %2). %3"_s.arg(offered, m_installedVersion, how));
}

void CUpdateCheck::End(TOutcome outcome, const QString& version, qint32 eventType, qint32 eventId,
                       const QString& message)
{
    m_log(eventType, eventId, message);
    emit Checked(outcome, version);
}
