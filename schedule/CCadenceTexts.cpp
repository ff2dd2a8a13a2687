// The display texts and icons of the schedule enumerations.
#include "schedule/CCadence.h"

#include "platform/registry/CRegKey.h"

using namespace Qt::StringLiterals;

namespace {

QString CCadenceTextsTranslate(const char* source, const QByteArray& context)
{
    return CTranslatable::Translate(source, context).Text();
}

} // namespace

QString CCadence::TypeText(quint32 type, const QByteArray& context)
{
    switch (type) {
    case kOneTime:
        return CCadenceTextsTranslate("One Time", context);
    case kDaily:
        return CCadenceTextsTranslate("Daily", context);
    case kWeekly:
        return CCadenceTextsTranslate("Weekly", context);
    case kScreenSaver:
        return CCadenceTextsTranslate("Screen Saver", context);
    case kQuietWatch:
        return CCadenceTextsTranslate("QuietWatch", context);
    default:
        return CCadenceTextsTranslate("Not Set", context);
    }
}

QString CCadence::ExTypeText(quint32 interval, const QByteArray& context)
{
    return interval == 0 ? CCadenceTextsTranslate("One Time Exchange ", context)
                         : CCadenceTextsTranslate("Weekly Exchange ", context);
}

QString CCadence::VmTypeText(quint32 type, bool hyperV, const QByteArray& context)
{
    switch (type) {
    case kOneTime:
        return hyperV ? CCadenceTextsTranslate("One Time Hyper-V Guest", context)
                      : CCadenceTextsTranslate("One Time Vmware Workstation Guest", context);
    case kDaily:
        return hyperV ? CCadenceTextsTranslate("Daily Hyper-V Guest", context)
                      : CCadenceTextsTranslate("Daily Vmware Workstation Guest", context);
    case kWeekly:
        return hyperV ? CCadenceTextsTranslate("Weekly Hyper-V Guest", context)
                      : CCadenceTextsTranslate("Weekly Vmware Workstation Guest", context);
    default:
        return CCadenceTextsTranslate("Not set", context);
    }
}

QString CCadence::SourceText(quint32 source, const QByteArray& context)
{
    switch (source) {
    case kSourceLocal:
        return CCadenceTextsTranslate("Local", context);
    case kSourceGroupPolicy:
        return CCadenceTextsTranslate("Group Policy", context);
    case kSourceEnterpriseConsole:
        return CCadenceTextsTranslate("Enterprise Console", context);
    default:
        return {};
    }
}

QString CCadence::MethodText(quint32 method, const QByteArray& context)
{
    switch (method) {
    case kMethodTierLayout:
        return CCadenceTextsTranslate("TierLayout", context);
    case kMethodDefragOnly:
        return CCadenceTextsTranslate("Defrag Only", context);
    case kMethodConsolidateFreeSpace:
        return CCadenceTextsTranslate("Consolidate Free Space", context);
    case kMethodAnalyzeOnly:
        return CCadenceTextsTranslate("Analyze Only", context);
    case kMethodDriveDefault:
        return CCadenceTextsTranslate("Drive Default", context);
    default:
        return {};
    }
}

QString CCadence::PassText(quint32 passes, const QByteArray& context)
{
    switch (passes) {
    case kOnlinePass:
        return CCadenceTextsTranslate("Online", context);
    case kOfflinePass:
        return CCadenceTextsTranslate("Offline", context);
    case kOnlinePass | kOfflinePass:
        return CCadenceTextsTranslate("Online,Offline", context);
    default:
        return {};
    }
}

QString CCadence::IconName(quint32 type, bool disabled)
{
    QString file;
    switch (type) {
    case kOneTime:
        file = disabled ? u"one_time_schedule_disabled.png"_s : u"one_time_schedule.png"_s;
        break;
    case kDaily:
        file = disabled ? u"daily_schedule_disabled.png"_s : u"daily_schedule.png"_s;
        break;
    case kWeekly:
        // The enabled image's resource name is spelt this way.
        file = disabled ? u"weekly_schedule_disabled.png"_s : u"weelky_schedule.png"_s;
        break;
    case kScreenSaver:
        file = disabled ? u"screen_saver_schedule_disabled.png"_s : u"screen_saver_schedule.png"_s;
        break;
    case kQuietWatch:
        file = disabled ? u"quietwatch_schedule_disabled.png"_s : u"quietwatch_schedule.png"_s;
        break;
    default:
        return {};
    }
    return u":/images/%1"_s.arg(file);
}

bool CCadence::IsHyperVProduct()
{
    CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, u"Software\\Tellmar\\Korvane\\11.0"_s, KEY_READ) !=
        ERROR_SUCCESS)
        return false;
    DWORD productType = 0;
    return key.QueryDWORDValue(u"VirtualProductType"_s, &productType) == ERROR_SUCCESS &&
           productType == 1;
}

bool IsSpecialSchedule(quint32 type)
{
    return type == CCadence::kScreenSaver || type == CCadence::kQuietWatch;
}

bool IsTimedSchedule(quint32 type)
{
    return type == CCadence::kOneTime || type == CCadence::kDaily || type == CCadence::kWeekly;
}
