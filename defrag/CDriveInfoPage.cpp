#include "defrag/CDriveInfoPage.h"

#include "appmodel/IDefragController.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefrager.h"
#include "engine/CKV100EngineInterface.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int kNoOverride = -1;

const char* const kDrive = "Drive:";
const char* const kGuid = "GUID:";
const char* const kSerial = "Serial Number:";
const char* const kFileSystem = "File System:";
const char* const kBytesPerCluster = "Bytes Per Cluster:";
const char* const kTotalClusters = "Total Clusters:";
const char* const kFreeClusters = "Free Clusters:";
const char* const kUsedClusters = "Clusters In Use:";

QString SerialHalf(uint half)
{
    return u"%1"_s.arg(half, 8, 16, QChar(u'0')).toUpper();
}

} // namespace

CDriveInfoPage::CDriveInfoPage(const TDrivePropertiesContext& context, QWidget* parent)
    : CDiskNoteBookPage(context, "CDriveInfoPage", parent)
    , m_override(new QComboBox(this))
{
    auto* group = new QGroupBox(Translate("Drive information"), this);
    auto* form = new QFormLayout;
    for (const char* label : {kDrive, kGuid, kSerial, kFileSystem, kBytesPerCluster, kTotalClusters,
                              kFreeClusters, kUsedClusters})
        AddField(form, label);
    form->addRow(Translate("Override Drive type"), m_override);
    auto* note = new QLabel(Translate("<html><body><p>This information may be helpful for Tellmar "
                                      "technical support or for diagnostics purposes.</p></body>"
                                      "</html>"),
                            group);
    note->setWordWrap(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addLayout(form);
    groupLayout->addWidget(note);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);
    m_override->addItem(Translate("No Override"), kNoOverride);
    m_override->setEnabled(Context().newestAgent);
}

void CDriveInfoPage::AddField(QFormLayout* form, const char* label)
{
    auto* value = new QLabel(this);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(Translate(label), value);
    m_fields.append({QString::fromLatin1(label), value});
}

void CDriveInfoPage::SetField(const char* label, const QString& value)
{
    for (const auto& [name, field] : std::as_const(m_fields))
        if (name == QLatin1StringView(label))
            field->setText(value);
}

QString CDriveInfoPage::Field(const QString& label) const
{
    for (const auto& [name, field] : m_fields)
        if (name == label)
            return field->text();
    return QString();
}

QString CDriveInfoPage::Label() const
{
    return Translate("Drive Info");
}

QString CDriveInfoPage::HelpTopic() const
{
    return u"Drive_Properties_-_Drive_Info.htm"_s;
}

HRESULT CDriveInfoPage::Load(std::wstring drive_guid)
{
    const CDefrager::TVolumeInfo record = Feed().Model().Volume(drive_guid);
    const QString drive = QString::fromStdWString(record.mountName);
    SetField(kDrive, drive);
    SetField(kGuid, QString::fromStdWString(drive_guid));
    SetField(kFileSystem, QString::fromStdWString(record.fileSystem));
    emit SetWindowTitle(Translate("%1 Properties").Arg(drive));

    // The choices are the types the drive is not detected as.
    const QList<QPair<const char*, int>> choices{
        {"SSD", int(CDefrager::kSolidStateDrive)}, {"Internal HDD", 1}, {"External HDD", 2}};
    int overrideType = kNoOverride;
    const bool knowsOverride = SUCCEEDED(Engine().GetOverrideDriveType(drive_guid, &overrideType));
    m_knowsOverride = knowsOverride;
    const int detected = int(record.driveType);
    for (const auto& [text, type] : choices)
        if (type != detected || (knowsOverride && type == overrideType))
            m_override->addItem(Translate(text), type);
    if (knowsOverride)
        m_override->setCurrentIndex(std::max(0, m_override->findData(overrideType)));

    uint serialHigh = 0;
    uint serialLow = 0;
    uint bytesPerCluster = 0;
    quint64 total = 0;
    quint64 free = 0;
    quint64 used = 0;
    const HRESULT result = Engine().GetDriveGeometry(drive_guid, &serialHigh, &serialLow,
                                                     &bytesPerCluster, &total, &free, &used);
    if (FAILED(result))
        return result;
    const QLocale locale;
    SetField(kSerial, SerialHalf(serialHigh) + u'-' + SerialHalf(serialLow));
    SetField(kBytesPerCluster, locale.toString(bytesPerCluster));
    SetField(kTotalClusters, locale.toString(total));
    SetField(kFreeClusters, locale.toString(free));
    SetField(kUsedClusters, locale.toString(used));
    return result;
}

HRESULT CDriveInfoPage::Save(std::wstring drive_guid)
{
    if (!Context().newestAgent || !Context().controller)
        return S_OK;
    const int type =
        m_override->currentIndex() < 0 ? kNoOverride : m_override->currentData().toInt();
    Context().controller->SetOverrideDriveType(drive_guid, type);
    return S_OK;
}

bool CDriveInfoPage::Verify()
{
    return false;
}
