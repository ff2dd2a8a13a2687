#include "app/CTranslationLoader.h"

#include "core/CTranslationCatalog.h"
#include "platform/CEngineLocation.h"
#include "platform/CExecutablePath.h"

#include <QCoreApplication>
#include <QTranslator>

#include <utility>

const char* const CTranslationLoader::kCatalogFileName = "Korvane.translation";

namespace {

// Windows primary language IDs of the toolkit's languages.
constexpr std::pair<QLocale::Language, int> kLanguageIds[] = {
    {QLocale::Arabic, 0x01},
    {QLocale::Bulgarian, 0x02},
    {QLocale::Catalan, 0x03},
    {QLocale::Chinese, 0x04},
    {QLocale::Czech, 0x05},
    {QLocale::Danish, 0x06},
    {QLocale::German, 0x07},
    {QLocale::Greek, 0x08},
    {QLocale::English, 0x09},
    {QLocale::Spanish, 0x0a},
    {QLocale::Finnish, 0x0b},
    {QLocale::French, 0x0c},
    {QLocale::Hebrew, 0x0d},
    {QLocale::Hungarian, 0x0e},
    {QLocale::Icelandic, 0x0f},
    {QLocale::Italian, 0x10},
    {QLocale::Japanese, 0x11},
    {QLocale::Korean, 0x12},
    {QLocale::Dutch, 0x13},
    {QLocale::NorwegianBokmal, 0x14},
    {QLocale::NorwegianNynorsk, 0x14},
    {QLocale::Polish, 0x15},
    {QLocale::Portuguese, 0x16},
    {QLocale::Romansh, 0x17},
    {QLocale::Romanian, 0x18},
    {QLocale::Russian, 0x19},
    {QLocale::Croatian, 0x1a},
    {QLocale::Serbian, 0x1a},
    {QLocale::Bosnian, 0x1a},
    {QLocale::Slovak, 0x1b},
    {QLocale::Albanian, 0x1c},
    {QLocale::Swedish, 0x1d},
    {QLocale::Thai, 0x1e},
    {QLocale::Turkish, 0x1f},
    {QLocale::Urdu, 0x20},
    {QLocale::Indonesian, 0x21},
    {QLocale::Ukrainian, 0x22},
    {QLocale::Belarusian, 0x23},
    {QLocale::Slovenian, 0x24},
    {QLocale::Estonian, 0x25},
    {QLocale::Latvian, 0x26},
    {QLocale::Lithuanian, 0x27},
    {QLocale::Persian, 0x29},
    {QLocale::Vietnamese, 0x2a},
    {QLocale::Armenian, 0x2b},
    {QLocale::Basque, 0x2d},
    {QLocale::Macedonian, 0x2f},
    {QLocale::Afrikaans, 0x36},
    {QLocale::Georgian, 0x37},
    {QLocale::Hindi, 0x39},
    {QLocale::Irish, 0x3c},
    {QLocale::Malay, 0x3e},
    {QLocale::Kazakh, 0x3f},
    {QLocale::Tatar, 0x44},
    {QLocale::Bangla, 0x45},
    {QLocale::Tamil, 0x49},
    {QLocale::Welsh, 0x52},
    {QLocale::Galician, 0x56},
};

} // namespace

int CTranslationLoader::PrimaryLanguage(const QLocale& locale)
{
    if (locale.language() == QLocale::C)
        return kEnglish;
    for (const auto& [language, id] : kLanguageIds) {
        if (language == locale.language())
            return id & kPrimaryLanguageMask;
    }
    return kNeutral;
}

int CTranslationLoader::UserPrimaryLanguage()
{
    return PrimaryLanguage(QLocale());
}

QString CTranslationLoader::ToolkitTranslation(int primaryLanguage)
{
    switch (primaryLanguage & kPrimaryLanguageMask) {
    case 4:
        return QStringLiteral("qt_cn");
    case 7:
        return QStringLiteral("qt_de");
    case 12:
        return QStringLiteral("qt_fr");
    case 17:
        return QStringLiteral("qt_jp");
    default:
        return QString();
    }
}

QString CTranslationLoader::CatalogPath()
{
    const QString directory = CEngineLocation::RegisteredDirectory();
    if (directory.isEmpty())
        return QString();
    return directory + QString::fromLatin1(kCatalogFileName);
}

HRESULT CTranslationLoader::Load(QCoreApplication* application, int primaryLanguage,
                                 const QString& translationDirectory)
{
    if ((primaryLanguage & kPrimaryLanguageMask) == kEnglish)
        return S_FALSE;
    const QString toolkit = ToolkitTranslation(primaryLanguage);
    if (!toolkit.isEmpty() && application && !translationDirectory.isEmpty()) {
        auto* translator = new QTranslator(application);
        if (translator->load(toolkit, translationDirectory))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
    const QString catalog = CatalogPath();
    if (catalog.isEmpty())
        return S_FALSE;
    return CTranslationCatalog::Instance().LoadFile(catalog);
}

HRESULT CTranslationLoader::Load(QCoreApplication* application)
{
    // The toolkit's translations sit beside the program in the build folder, in the data
    // folder once installed.
    const QString programs = CExecutablePath::Directory();
    return Load(application, UserPrimaryLanguage(),
                programs.isEmpty() ? programs : CEngineLocation::DataDirectory(programs));
}
