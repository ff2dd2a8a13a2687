// The three schedule records of CCadence: drive, Exchange and guest schedules.
#include "schedule/CCadence.h"

#include "core/CTextFormat.h"
#include "core/CWideText.h"

#include <QtEndian>

namespace {

QString CCadenceDataTranslate(const char* source, const QByteArray& context)
{
    return CTranslatable::Translate(source, context).Text();
}

// Exchange and guest schedules have no special types; a record that holds one anyway says so.
QString CCadenceDataNextRunOfPlainKind(const CScheduleSettings& settings, const QByteArray& context)
{
    if (IsSpecialSchedule(settings.type))
        return CCadenceDataTranslate("Unexpected schedule type", context);
    return CTextFormat::LocaleDateTimeText(settings.nextRun);
}

} // namespace

// Drive schedules.

CCadence::CScheduleData::CScheduleData()
    : CTranslatable(ProductContext())
{}

CCadence::CScheduleData& CCadence::CScheduleData::operator=(const CScheduleData& other)
{
    name = other.name;
    source = other.source;
    settings = other.settings;
    running = other.running;
    allDrives = other.allDrives;
    drives = other.drives;
    return *this;
}

QString CCadence::CScheduleData::TypeText() const
{
    return CCadence::TypeText(settings.type, TranslationContext());
}

QString CCadence::CScheduleData::SourceText() const
{
    return CCadence::SourceText(source, TranslationContext());
}

QString CCadence::CScheduleData::MethodText() const
{
    return CCadence::MethodText(settings.method, TranslationContext());
}

QString CCadence::CScheduleData::PassText() const
{
    return CCadence::PassText(settings.passes, TranslationContext());
}

QString CCadence::CScheduleData::DisplayName() const
{
    switch (settings.type) {
    case kScreenSaver:
        return CCadenceDataTranslate("Screen Saver Schedule", TranslationContext());
    case kQuietWatch:
        return CCadenceDataTranslate("Full Auto Schedule", TranslationContext());
    default:
        return CWideText::ToQString(name);
    }
}

QString CCadence::CScheduleData::NextRunText() const
{
    switch (settings.type) {
    case kScreenSaver:
        return CCadenceDataTranslate("Screen Saver", TranslationContext());
    case kQuietWatch:
        return CCadenceDataTranslate("QuietWatch", TranslationContext());
    default:
        return CTextFormat::LocaleDateTimeText(settings.nextRun);
    }
}

QString CCadence::CScheduleData::IconName() const
{
    return CCadence::IconName(settings.type, settings.disabled);
}

// Exchange schedules.

CCadence::CExScheduleData::CExScheduleData()
    : CTranslatable(ProductContext())
{}

QString CCadence::CExScheduleData::TypeText() const
{
    return CCadence::ExTypeText(settings.interval, TranslationContext());
}

QString CCadence::CExScheduleData::SourceText() const
{
    return CCadence::SourceText(kSourceLocal, TranslationContext());
}

QString CCadence::CExScheduleData::MethodText() const
{
    return CCadence::MethodText(settings.method, TranslationContext());
}

QString CCadence::CExScheduleData::PassText() const
{
    return CCadence::PassText(settings.passes, TranslationContext());
}

QString CCadence::CExScheduleData::DisplayName() const
{
    return CWideText::ToQString(name);
}

QString CCadence::CExScheduleData::NextRunText() const
{
    return CCadenceDataNextRunOfPlainKind(settings, TranslationContext());
}

QString CCadence::CExScheduleData::IconName() const
{
    return CCadence::IconName(settings.type, settings.disabled);
}

// Guest schedules.

quint32 CCadence::CVmScheduleData::TGuest::GuestValue() const
{
    return qFromLittleEndian<quint32>(options.data());
}

void CCadence::CVmScheduleData::TGuest::SetGuestValue(quint32 value)
{
    qToLittleEndian(value, options.data());
}

CCadence::CVmScheduleData::CVmScheduleData()
    : CTranslatable(ProductContext())
{}

QString CCadence::CVmScheduleData::TypeText() const
{
    return CCadence::VmTypeText(settings.type, IsHyperVProduct(), TranslationContext());
}

QString CCadence::CVmScheduleData::SourceText() const
{
    return CCadence::SourceText(kSourceLocal, TranslationContext());
}

QString CCadence::CVmScheduleData::MethodText() const
{
    return CCadence::MethodText(settings.method, TranslationContext());
}

QString CCadence::CVmScheduleData::PassText() const
{
    return CCadence::PassText(settings.passes, TranslationContext());
}

QString CCadence::CVmScheduleData::DisplayName() const
{
    return CWideText::ToQString(name);
}

QString CCadence::CVmScheduleData::NextRunText() const
{
    return CCadenceDataNextRunOfPlainKind(settings, TranslationContext());
}

QString CCadence::CVmScheduleData::IconName() const
{
    return CCadence::IconName(settings.type, settings.disabled);
}
