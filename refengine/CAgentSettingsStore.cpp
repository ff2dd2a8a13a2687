#include "refengine/CAgentSettingsStore.h"

#include "refengine/CJsonStateFile.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr int CAgentSettingsStoreVersion = 1;
constexpr qint64 CAgentSettingsStoreMaxFileBytes = 16 * 1024 * 1024;

// Every stored member under its key in the file, for the writer and the reader alike.
template <typename TSettingsRef, typename TVisit>
void CAgentSettingsStoreFields(TSettingsRef& s, TVisit&& visit)
{
    visit(u"bootFileLayout"_s, s.bootFileLayout);
    visit(u"autoUpdateInstall"_s, s.autoUpdateInstall);
    visit(u"updateServer"_s, s.updateServer);
    visit(u"updateUrlPath"_s, s.updateUrlPath);
    visit(u"proxyUserName"_s, s.proxyUserName);
    visit(u"proxyPassword"_s, s.proxyPassword);
    visit(u"missedSchedules"_s, s.missedSchedules);
    visit(u"wakeFromStandby"_s, s.wakeFromStandby);
    visit(u"stopOnBattery"_s, s.stopOnBattery);
    visit(u"noStartOnBattery"_s, s.noStartOnBattery);
    visit(u"cpuPriority"_s, s.cpuPriority);
    visit(u"ioThrottling"_s, s.ioThrottling);
    visit(u"customText"_s, s.customFileTypes.text);
    visit(u"customPictures"_s, s.customFileTypes.pictures);
    visit(u"customVideo"_s, s.customFileTypes.video);
    visit(u"customPrograms"_s, s.customFileTypes.programs);
    visit(u"customMusic"_s, s.customFileTypes.music);
    visit(u"customTemporary"_s, s.customFileTypes.temporary);
    visit(u"customUserDefined"_s, s.customFileTypes.userDefined);
    visit(u"allowExternalDrives"_s, s.allowExternalDrives);
    visit(u"allowFlashDrives"_s, s.allowFlashDrives);
    visit(u"exchangeUserName"_s, s.exchangeUserName);
    visit(u"exchangePassword"_s, s.exchangePassword);
    visit(u"exchangeServerName"_s, s.exchangeServerName);
    visit(u"smtpServer"_s, s.smtpServer);
    visit(u"notifySender"_s, s.notifySender);
    visit(u"notifyRecipient"_s, s.notifyRecipient);
    visit(u"vssMode"_s, s.vssMode);
    visit(u"vssThreshold"_s, s.vssThreshold);
    visit(u"allowSsdDrives"_s, s.allowSsdDrives);
    visit(u"excludeHibernationFile"_s, s.excludeHibernationFile);
}

struct CAgentSettingsStoreWriter {
    QJsonObject* object;

    void operator()(const QString& key, uint value) const
    {
        object->insert(key, static_cast<double>(value));
    }
    void operator()(const QString& key, bool value) const { object->insert(key, value); }
    void operator()(const QString& key, const QString& value) const { object->insert(key, value); }
    void operator()(const QString& key, const QStringList& value) const
    {
        object->insert(key, QJsonArray::fromStringList(value));
    }
};

// Reads what the object has; a key that is missing keeps the default, one of another type
// marks the file damaged.
struct CAgentSettingsStoreReader {
    const QJsonObject* object;
    bool* intact;

    void operator()(const QString& key, uint& value) const
    {
        const QJsonValue stored = object->value(key);
        if (stored.isUndefined())
            return;
        const double real = stored.toDouble(-1.0);
        if (!stored.isDouble() || !std::isfinite(real) || real != std::trunc(real) || real < 0 ||
            real > std::numeric_limits<uint>::max()) {
            *intact = false;
            return;
        }
        value = static_cast<uint>(real);
    }
    void operator()(const QString& key, bool& value) const
    {
        const QJsonValue stored = object->value(key);
        if (stored.isUndefined())
            return;
        if (!stored.isBool())
            *intact = false;
        else
            value = stored.toBool();
    }
    void operator()(const QString& key, QString& value) const
    {
        const QJsonValue stored = object->value(key);
        if (stored.isUndefined())
            return;
        if (!stored.isString())
            *intact = false;
        else
            value = stored.toString();
    }
    void operator()(const QString& key, QStringList& value) const
    {
        const QJsonValue stored = object->value(key);
        if (stored.isUndefined())
            return;
        QStringList list;
        for (const QJsonValue& entry : stored.toArray()) {
            if (!entry.isString()) {
                *intact = false;
                return;
            }
            list.append(entry.toString());
        }
        if (!stored.isArray())
            *intact = false;
        else
            value = list;
    }
};

bool CAgentSettingsStoreText(const QString& text)
{
    return text.size() <= CAgentSettingsStore::kMaxTextLength &&
           std::none_of(text.cbegin(), text.cend(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

bool CAgentSettingsStoreExtensions(const QStringList& extensions)
{
    return extensions.size() <= CAgentSettingsStore::kMaxExtensions &&
           std::all_of(extensions.cbegin(), extensions.cend(), [](const QString& extension) {
               return !extension.trimmed().isEmpty() &&
                      extension.size() <= CAgentSettingsStore::kMaxExtensionLength &&
                      !extension.contains(u'/') && !extension.contains(u'\\') &&
                      CAgentSettingsStoreText(extension);
           });
}

const QStringList& CAgentSettingsStoreOr(const QStringList& custom, const QStringList& factory)
{
    return custom.isEmpty() ? factory : custom;
}

} // namespace

CAgentSettingsStore::CAgentSettingsStore(QString filePath)
    : m_filePath(std::move(filePath))
{
    Load();
}

HRESULT CAgentSettingsStore::Validate(const TSettings& s)
{
    const bool enumsInRange = s.bootFileLayout <= 3 && s.autoUpdateInstall <= 2 &&
                              s.missedSchedules <= 1 && s.cpuPriority <= 2 && s.vssMode <= 2 &&
                              s.vssThreshold <= 100;
    const bool texts =
        CAgentSettingsStoreText(s.updateServer) && CAgentSettingsStoreText(s.updateUrlPath) &&
        CAgentSettingsStoreText(s.proxyUserName) && CAgentSettingsStoreText(s.proxyPassword) &&
        CAgentSettingsStoreText(s.exchangeUserName) &&
        CAgentSettingsStoreText(s.exchangePassword) &&
        CAgentSettingsStoreText(s.exchangeServerName) && CAgentSettingsStoreText(s.smtpServer) &&
        CAgentSettingsStoreText(s.notifySender) && CAgentSettingsStoreText(s.notifyRecipient);
    const TFileTypes& types = s.customFileTypes;
    const bool extensions = CAgentSettingsStoreExtensions(types.text) &&
                            CAgentSettingsStoreExtensions(types.pictures) &&
                            CAgentSettingsStoreExtensions(types.video) &&
                            CAgentSettingsStoreExtensions(types.programs) &&
                            CAgentSettingsStoreExtensions(types.music) &&
                            CAgentSettingsStoreExtensions(types.temporary) &&
                            CAgentSettingsStoreExtensions(types.userDefined);
    return enumsInRange && texts && extensions ? S_OK : E_INVALIDARG;
}

void CAgentSettingsStore::Load()
{
    TSettings settings;
    const auto parse = [&settings](const QJsonObject& root) {
        const QJsonValue stored = root.value(u"settings"_s);
        if (!stored.isObject())
            return false;
        const QJsonObject values = stored.toObject();
        bool intact = true;
        CAgentSettingsStoreFields(settings, CAgentSettingsStoreReader{&values, &intact});
        return intact && SUCCEEDED(Validate(settings));
    };
    if (CJsonStateFile::Load(m_filePath, CAgentSettingsStoreMaxFileBytes,
                             CAgentSettingsStoreVersion, "agent settings", "using the defaults",
                             parse) == S_OK)
        m_settings = settings;
}

bool CAgentSettingsStore::Save(const TSettings& settings) const
{
    QJsonObject values;
    CAgentSettingsStoreFields(settings, CAgentSettingsStoreWriter{&values});
    return CJsonStateFile::Write(
        m_filePath,
        QJsonObject{{u"version"_s, CAgentSettingsStoreVersion}, {u"settings"_s, values}},
        QJsonDocument::Indented, CJsonStateFile::TAccess::OwnerOnly);
}

CAgentSettingsStore::TSettings CAgentSettingsStore::Settings() const
{
    QMutexLocker locker(&m_mutex);
    return m_settings;
}

HRESULT CAgentSettingsStore::Update(const std::function<void(TSettings&)>& change)
{
    QMutexLocker locker(&m_mutex);
    TSettings changed = m_settings;
    change(changed);
    if (FAILED(Validate(changed)))
        return E_INVALIDARG;
    if (changed == m_settings)
        return S_OK;
    if (!Save(changed))
        return kNotSaved;
    m_settings = changed;
    return S_OK;
}

CAgentSettingsStore::TFileTypes CAgentSettingsStore::DefaultFileTypes()
{
    TFileTypes types;
    types.text = {u"txt"_s, u"rtf"_s,  u"doc"_s,  u"docx"_s, u"odt"_s,  u"pdf"_s,
                  u"xls"_s, u"xlsx"_s, u"ods"_s,  u"ppt"_s,  u"pptx"_s, u"odp"_s,
                  u"csv"_s, u"htm"_s,  u"html"_s, u"xml"_s,  u"md"_s};
    types.pictures = {u"jpg"_s,  u"jpeg"_s, u"png"_s,  u"gif"_s, u"bmp"_s, u"tif"_s,
                      u"tiff"_s, u"svg"_s,  u"webp"_s, u"raw"_s, u"psd"_s, u"ico"_s};
    types.video = {u"avi"_s, u"mp4"_s,  u"m4v"_s,  u"mkv"_s, u"mov"_s, u"wmv"_s,
                   u"mpg"_s, u"mpeg"_s, u"webm"_s, u"flv"_s, u"vob"_s};
    types.programs = {u"exe"_s, u"dll"_s, u"sys"_s, u"msi"_s, u"so"_s, u"bin"_s,
                      u"sh"_s,  u"bat"_s, u"cmd"_s, u"com"_s, u"jar"_s};
    types.music = {u"mp3"_s, u"wav"_s, u"flac"_s, u"ogg"_s, u"oga"_s,
                   u"wma"_s, u"aac"_s, u"m4a"_s,  u"mid"_s, u"opus"_s};
    types.temporary = {u"tmp"_s, u"temp"_s, u"bak"_s, u"old"_s, u"swp"_s, u"chk"_s, u"dmp"_s};
    return types;
}

CAgentSettingsStore::TFileTypes CAgentSettingsStore::FileTypesInUse() const
{
    const TFileTypes custom = Settings().customFileTypes;
    const TFileTypes factory = DefaultFileTypes();
    return {CAgentSettingsStoreOr(custom.text, factory.text),
            CAgentSettingsStoreOr(custom.pictures, factory.pictures),
            CAgentSettingsStoreOr(custom.video, factory.video),
            CAgentSettingsStoreOr(custom.programs, factory.programs),
            CAgentSettingsStoreOr(custom.music, factory.music),
            CAgentSettingsStoreOr(custom.temporary, factory.temporary),
            CAgentSettingsStoreOr(custom.userDefined, factory.userDefined)};
}
