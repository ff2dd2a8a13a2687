#include "engine/contract/ContractTypes.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QList>

#include <array>
#include <string_view>

namespace DBusContract {

namespace {

struct TIidBinding {
    std::u16string_view iid;
    std::u16string_view interfaceName;
};

// The agent's sub-objects have no interface IDs: they are reached through the paths the agent
// hands out.
constexpr std::array<TIidBinding, 12> kIidBindings{{
    {u"{39121AAC-0BF2-4281-9055-029CE5866C0D}", u"Engine"},
    {u"{16465874-CA7E-47D6-9F4F-8E3FD515A50B}", u"Agent"},
    {u"{C5D25F7B-6109-4111-9946-83814BD71D5D}", u"FileSpaceReports"},
    {u"{40425F41-5EFC-4D3C-8331-76D67D22DA68}", u"FileOp"},
    {u"{27BD3C67-A230-40EA-8990-222657ED1EE6}", u"FileSet"},
    {u"{81B17307-7CAE-4F5F-BB26-9FCDE354DE2E}", u"FileBrowserEx"},
    {u"{4C3A064E-C867-47E2-B0A1-E39285B9028A}", u"Tl2MD5Browser"},
    {u"{2EA55567-5CF1-4EB8-9183-5B0E4C6043F8}", u"TempRecycleClean"},
    {u"{9332ADCF-9AD2-4360-8FE4-0677FC7BF130}", u"ExchangeEngine"},
    {u"{C10E39CF-7105-494C-8C79-5B235DB5E11A}", u"ExchangeInProcess"},
    {u"{EF70CF2A-2B4D-4D2F-AB0E-80246A890FB5}", u"VmEngine"},
    {u"{0DE62A1F-FA72-49D6-9139-616397B6402B}", u"Tool"},
}};

bool IsHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

} // namespace

void RegisterTypes()
{
    static const bool registered = [] {
        // Adaptors look their parameter types up by name. Qt 6.4 registers the names of its own
        // D-Bus types lazily, so a first call with an object path out value could otherwise
        // find no matching method.
        qRegisterMetaType<QDBusObjectPath>();
        qRegisterMetaType<QDBusSignature>();
        qRegisterMetaType<QDBusVariant>();
        qRegisterMetaType<QList<uint>>();
        qRegisterMetaType<QList<int>>();
        qRegisterMetaType<QList<double>>();
        qRegisterMetaType<QList<qulonglong>>();
        qRegisterMetaType<QList<qlonglong>>();
        qRegisterMetaType<QList<bool>>();
        qRegisterMetaType<TPropertyBag>("DBusContract::TPropertyBag");
        qDBusRegisterMetaType<TPropertyBag>();
        return true;
    }();
    Q_UNUSED(registered);
}

QString NormalizeGuid(QStringView guid)
{
    if (guid.size() == 38 && guid.front() == u'{' && guid.back() == u'}')
        guid = guid.mid(1, 36);
    if (guid.size() != 36)
        return {};
    for (qsizetype i = 0; i < guid.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? guid[i] != u'-' : !IsHexDigit(guid[i]))
            return {};
    }
    return u'{' + guid.toString().toUpper() + u'}';
}

QString ClassObjectPath(QStringView classId)
{
    const QString id = NormalizeGuid(classId);
    if (id.isEmpty())
        return {};
    return QStringLiteral("/clsid/") + id.mid(1, 36).replace(u'-', u'_');
}

QString InterfaceForIid(QStringView iid)
{
    const QString id = NormalizeGuid(iid);
    for (const TIidBinding& binding : kIidBindings) {
        if (QStringView(binding.iid) == QStringView(id))
            return QLatin1String(kInterfacePrefix)
                .toString()
                .append(QStringView(binding.interfaceName));
    }
    return {};
}

} // namespace DBusContract
