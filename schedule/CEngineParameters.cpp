#include "schedule/CEngineParameters.h"

#include "core/CWideText.h"
#include "schedule/CExclusionWindowsText.h"
#include "schedule/CScheduleCodes.h"

#include <cmath>
#include <iterator>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// A program name as the QuietWatch text holds it: as it is, but for the units the pair reader
// would take for a separator or an escape ("%", "+", "&", "=", CR, LF), which are escaped so that
// the name reads back as it was ("notepad++" would otherwise come back as "notepad  ").
QString CEngineParametersProgramText(const QString& program)
{
    QString text;
    text.reserve(program.size());
    for (const QChar unit : program) {
        switch (unit.unicode()) {
        case u'%':
        case u'+':
        case u'&':
        case u'=':
        case u'\r':
        case u'\n':
            text += CParameterString::Escape(QStringView(&unit, 1));
            break;
        default:
            text += unit;
            break;
        }
    }
    return text;
}

// Letters of bit sets, lowest bit first.
QString CEngineParametersLetters(quint32 bits, QStringView letters)
{
    QString text;
    for (qsizetype bit = 0; bit < letters.size(); ++bit) {
        if ((bits & (1u << bit)) != 0)
            text += letters[bit];
    }
    return text;
}

quint32 CEngineParametersBitsOf(const QString& text, QStringView letters)
{
    quint32 bits = 0;
    for (qsizetype bit = 0; bit < letters.size(); ++bit) {
        if (text.contains(letters[bit]))
            bits |= 1u << bit;
    }
    return bits;
}

constexpr QStringView CEngineParametersFreeSpaceLetters = u"bt";
constexpr QStringView CEngineParametersOfflineLetters = u"dsp";

// The method pair's value of each method bit, from bit 0 up.
constexpr QStringView CEngineParametersMethodNames[] = {u"offline", u"defrag", u"tl", u"cfs",
                                                        u"default"};

QStringList CEngineParametersToQt(const TStringList& list)
{
    QStringList converted;
    for (const TString& entry : list)
        converted.append(CWideText::ToQString(entry));
    return converted;
}

TStringList CEngineParametersFromQt(const QStringList& list)
{
    TStringList converted;
    for (const QString& entry : list)
        converted.push_back(entry.toStdWString());
    return converted;
}

QStringList CEngineParametersSplitList(const QString& text)
{
    QStringList parts;
    for (const QString& piece : text.split(u';', Qt::SkipEmptyParts))
        parts.append(piece.split(u',', Qt::SkipEmptyParts));
    return parts;
}

} // namespace

CEngineParameters CEngineParameters::FromRecord(const CCadence::CScheduleData& schedule)
{
    const CScheduleSettings& settings = schedule.settings;
    CEngineParameters parameters;
    parameters.freeSpaceConsolidation = settings.freeSpaceConsolidation ? 1 : 0;
    parameters.freeSpaceOptions = settings.freeSpaceOptions;
    parameters.driveSelection = schedule.allDrives ? kAllDrives : kDriveList;
    parameters.drives = CEngineParametersToQt(schedule.drives);
    parameters.option = settings.option;
    parameters.offlineFlags = schedule.HasOfflinePass() ? (settings.offlineOptions & 7u) : 0;

    parameters.methodFlags = schedule.HasOfflinePass() ? kMethodOffline : 0;
    if (schedule.HasOnlinePass()) {
        switch (settings.method) {
        case CCadence::kMethodDefragOnly:
            parameters.methodFlags |= kMethodDefrag;
            break;
        case CCadence::kMethodTierLayout:
            parameters.methodFlags |= kMethodTierLayout;
            break;
        case CCadence::kMethodConsolidateFreeSpace:
            parameters.methodFlags |= kMethodConsolidate;
            break;
        case CCadence::kMethodDriveDefault:
            parameters.methodFlags |= kMethodDefault;
            break;
        default: // "Analyze Only" runs no method of its own
            break;
        }
    }
    if (schedule.IsScreenSaver() || schedule.IsQuietWatch())
        parameters.methodFlags &= ~kMethodOffline;

    parameters.intervalHours = settings.interval;
    if (schedule.IsQuietWatch()) {
        parameters.timeoutMinutes = settings.idleMinutes;
        parameters.exclusionWindows = settings.exclusionWindows;
        parameters.processes = CEngineParametersToQt(settings.excludedPrograms);
    }
    return parameters;
}

void CEngineParameters::AddDrivePairs(CParameterString* pairs) const
{
    const QString freeSpace =
        CEngineParametersLetters(freeSpaceOptions, CEngineParametersFreeSpaceLetters);
    if (freeSpaceConsolidation != 0 && !freeSpace.isEmpty()) {
        pairs->Add(u"fspace"_s, u"y"_s);
        pairs->Add(u"fsoptions"_s, freeSpace);
    }
    QString volumes = driveSelection == kAllDrives ? u"ALLDRIVES"_s : drives.join(u';');
    // A list of the one drive "ALLDRIVES" would read back as every drive: a separator after it
    // keeps it a list.
    if (driveSelection != kAllDrives && volumes.compare(u"ALLDRIVES"_s, Qt::CaseInsensitive) == 0)
        volumes += u';';
    pairs->Add(u"volumes"_s, volumes);
    if (option == 1)
        pairs->Add(u"option"_s, u"parallel"_s);
    else if (option == 2)
        pairs->Add(u"option"_s, u"auto"_s);
    const QString flags = CEngineParametersLetters(offlineFlags, CEngineParametersOfflineLetters);
    if (!flags.isEmpty())
        pairs->Add(u"flags"_s, flags);
    for (std::size_t bit = 0; bit < std::size(CEngineParametersMethodNames); ++bit) {
        if ((methodFlags & (1u << bit)) != 0)
            pairs->Add(u"method"_s, CEngineParametersMethodNames[bit].toString());
    }
}

QString CEngineParameters::DriveString() const
{
    CParameterString pairs;
    AddDrivePairs(&pairs);
    return pairs.ToString();
}

QString CEngineParameters::ScreenSaverString() const
{
    return DriveString() + u"&interval="_s + IntervalDays(intervalHours);
}

QString CEngineParameters::QuietWatchString() const
{
    // The programs and the windows are written as they are (but for the units the reader would
    // misread): the agent reads them unescaped.
    QString text = ScreenSaverString() + u"&timeout="_s + QString::number(timeoutMinutes);
    if (!processes.isEmpty()) {
        QStringList written;
        for (const QString& program : processes)
            written.append(CEngineParametersProgramText(program));
        text += u"&processes="_s + written.join(u';');
    }
    return text + u"&exclude="_s + CExclusionWindowsText::Write(exclusionWindows);
}

QString CEngineParameters::IntervalDays(quint32 hours)
{
    // Six significant digits lose hours from 240001 on (10000 days and an hour reads back as
    // 10000 days): such intervals take the digits they need to read back as they are.
    QString text;
    for (int digits = 6; digits <= 17; ++digits) {
        text = QString::number(hours / 24.0, 'g', digits);
        quint32 read = 0;
        if (SUCCEEDED(ReadIntervalDays(text, &read)) && read == hours)
            break;
    }
    return text;
}

HRESULT CEngineParameters::ReadIntervalDays(QStringView text, quint32* hours)
{
    if (hours == nullptr)
        return E_POINTER;
    bool ok = false;
    const double days = text.toDouble(&ok);
    if (!ok)
        return E_INVALIDARG;
    const double read = std::trunc(days * 24.0 + 0.3);
    // Also refuses NaN and infinities.
    if (!(read >= 1.0 && read <= std::numeric_limits<quint32>::max()))
        return E_INVALIDARG;
    *hours = static_cast<quint32>(read);
    return S_OK;
}

HRESULT CEngineParameters::ReadVolumes(const CParameterString& pairs)
{
    if (!pairs.Contains(u"volumes"_s))
        return E_INVALIDARG;
    const QString volumes = pairs.Value(u"volumes"_s);
    if (volumes.compare(u"ALLDRIVES"_s, Qt::CaseInsensitive) == 0) {
        driveSelection = kAllDrives;
        drives.clear();
        return S_OK;
    }
    QStringList list = CEngineParametersSplitList(volumes);
    if (list.isEmpty())
        return E_INVALIDARG;
    driveSelection = kDriveList;
    drives = std::move(list);
    return S_OK;
}

HRESULT CEngineParameters::ReadDrivePairs(const CParameterString& pairs)
{
    const HRESULT volumes = ReadVolumes(pairs);
    if (FAILED(volumes))
        return volumes;
    const QStringList methods = pairs.Values(u"method"_s);

    freeSpaceConsolidation =
        pairs.Value(u"fspace"_s).compare(u"y"_s, Qt::CaseInsensitive) == 0 ? 1 : 0;
    freeSpaceOptions =
        CEngineParametersBitsOf(pairs.Value(u"fsoptions"_s), CEngineParametersFreeSpaceLetters);
    const QString optionText = pairs.Value(u"option"_s);
    option = optionText == u"parallel"_s ? 1 : optionText == u"auto"_s ? 2 : 0;
    offlineFlags =
        CEngineParametersBitsOf(pairs.Value(u"flags"_s), CEngineParametersOfflineLetters);
    methodFlags = 0;
    for (const QString& method : methods) {
        for (std::size_t bit = 0; bit < std::size(CEngineParametersMethodNames); ++bit) {
            if (method.contains(CEngineParametersMethodNames[bit]))
                methodFlags |= 1u << bit;
        }
    }
    return S_OK;
}

HRESULT CEngineParameters::ReadQuietWatchPairs(const CParameterString& pairs)
{
    if (!pairs.Contains(u"timeout"_s))
        return E_INVALIDARG;
    bool ok = false;
    const quint32 timeout = pairs.Value(u"timeout"_s).toUInt(&ok, 10);
    if (!ok || timeout == 0)
        return E_INVALIDARG;
    QStringList programs;
    if (pairs.Contains(u"processes"_s)) {
        programs = CEngineParametersSplitList(pairs.Value(u"processes"_s));
        if (programs.isEmpty())
            return E_INVALIDARG;
    }
    CScheduleSettings::TExclusionWindows windows;
    const HRESULT read = CExclusionWindowsText::Read(pairs.Value(u"exclude"_s), &windows);
    if (FAILED(read))
        return read;
    timeoutMinutes = timeout;
    processes = std::move(programs);
    exclusionWindows = std::move(windows);
    return S_OK;
}

HRESULT CEngineParameters::Read(quint32 code, QStringView text, CEngineParameters* parameters)
{
    if (parameters == nullptr)
        return E_POINTER;
    const CParameterString pairs = CParameterString::Parse(text);
    CEngineParameters read = *parameters;
    HRESULT result = E_INVALIDARG;
    switch (code) {
    case CScheduleCodes::kDriveOneTime:
    case CScheduleCodes::kDriveDaily:
    case CScheduleCodes::kDriveWeekly:
        result = read.ReadDrivePairs(pairs);
        break;
    case CScheduleCodes::kScreenSaver:
    case CScheduleCodes::kQuietWatch:
        result = read.ReadDrivePairs(pairs);
        if (SUCCEEDED(result))
            result = pairs.Contains(u"interval"_s)
                         ? ReadIntervalDays(pairs.Value(u"interval"_s), &read.intervalHours)
                         : E_INVALIDARG;
        if (SUCCEEDED(result) && code == CScheduleCodes::kQuietWatch)
            result = read.ReadQuietWatchPairs(pairs);
        break;
    case CScheduleCodes::kDriveVolumesOnly:
        result = read.ReadVolumes(pairs);
        break;
    default:
        break;
    }
    if (FAILED(result))
        return result;
    *parameters = std::move(read);
    return S_OK;
}

bool CEngineParameters::ApplyOnlineMethod(CScheduleSettings* settings) const
{
    // Tested from the lowest bit up, so that the highest set bit wins.
    static constexpr std::pair<quint32, quint32> methods[] = {
        {kMethodDefrag, CCadence::kMethodDefragOnly},
        {kMethodTierLayout, CCadence::kMethodTierLayout},
        {kMethodConsolidate, CCadence::kMethodConsolidateFreeSpace},
        {kMethodDefault, CCadence::kMethodDriveDefault},
    };
    bool found = false;
    for (const auto& [bit, method] : methods) {
        if ((methodFlags & bit) != 0) {
            settings->method = method;
            found = true;
        }
    }
    return found;
}

HRESULT CEngineParameters::ApplyTo(quint32 code, CCadence::CScheduleData* schedule) const
{
    if (schedule == nullptr)
        return E_POINTER;
    if (!CScheduleCodes::IsCodeOf(CScheduleCodes::TKind::Drive, code))
        return E_INVALIDARG;
    CCadence::CScheduleData rebuilt = *schedule;
    CScheduleSettings& settings = rebuilt.settings;
    settings.type = CScheduleCodes::Type(code);
    rebuilt.allDrives = driveSelection == kAllDrives;
    rebuilt.drives = rebuilt.allDrives ? TStringList() : CEngineParametersFromQt(drives);
    if (code == CScheduleCodes::kDriveVolumesOnly) {
        *schedule = rebuilt;
        return S_OK;
    }

    if (option > 2)
        return E_FAIL;
    settings.option = option;
    settings.freeSpaceConsolidation = freeSpaceConsolidation != 0;
    settings.freeSpaceOptions = freeSpaceOptions;
    settings.offlineOptions = offlineFlags;
    const bool onlineMethod = ApplyOnlineMethod(&settings);
    if (code == CScheduleCodes::kScreenSaver || code == CScheduleCodes::kQuietWatch) {
        if (!onlineMethod)
            settings.method = CCadence::kMethodAnalyzeOnly;
        settings.passes = CCadence::kOnlinePass;
        settings.interval = intervalHours;
        if (code == CScheduleCodes::kQuietWatch) {
            settings.start = 0.0;
            settings.shutdownWhenComplete = false;
            settings.idleMinutes = timeoutMinutes;
            settings.excludedPrograms = CEngineParametersFromQt(processes);
            settings.exclusionWindows = exclusionWindows;
        }
    } else {
        settings.passes =
            (methodFlags & kMethodOffline) != 0 ? quint32{CCadence::kOfflinePass} : 0u;
        if (onlineMethod) {
            settings.passes |= CCadence::kOnlinePass;
        } else if (settings.passes == 0) {
            settings.passes = CCadence::kOnlinePass;
            settings.method = CCadence::kMethodAnalyzeOnly;
        }
        settings.idleMinutes = 5;
        settings.excludedPrograms.clear();
    }
    *schedule = rebuilt;
    return S_OK;
}
