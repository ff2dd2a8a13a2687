#include "refengine/CAgentStatisticsService.h"

#include "core/CRegularFile.h"
#include "core/HResult.h"
#include "refengine/CHistoryStore.h"

#include <QFile>

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

namespace {

// The first bytes of a small system file as text, empty when it cannot be read.
QString CAgentStatisticsServiceRead(const QString& path, qint64 maxBytes = 4096)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.read(maxBytes)).trimmed();
}

bool CAgentStatisticsServiceCpuFlag(const QString& cpuInfo)
{
    for (QStringView line : QStringView(cpuInfo).split(u'\n')) {
        if (!line.startsWith(u"flags"))
            continue;
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            continue;
        for (QStringView flag : line.mid(colon + 1).split(u' ', Qt::SkipEmptyParts)) {
            if (flag == u"hypervisor")
                return true;
        }
        return false;
    }
    return false;
}

} // namespace

CAgentStatisticsService::CAgentStatisticsService(CHistoryStore& history, uint edition,
                                                 uint generation, QObject* parent)
    : CAgentStatisticsServiceBase(parent)
    , m_history(history)
    , m_edition(edition)
    , m_generation(generation)
{}

bool CAgentStatisticsService::DetectVirtualGuest(const QString& root)
{
    const QString base = root.endsWith(u'/') ? root.chopped(1) : root;
    static const QString vendors[] = {u"QEMU"_s,      u"KVM"_s,        u"VMware"_s, u"VMW"_s,
                                      u"innotek"_s,   u"VirtualBox"_s, u"Xen"_s,    u"Bochs"_s,
                                      u"Parallels"_s, u"Amazon EC2"_s, u"Google"_s, u"OpenStack"_s,
                                      u"BHYVE"_s,     u"Nutanix"_s,    u"oVirt"_s};
    const QString dmi = base + u"/sys/class/dmi/id/"_s;
    for (const QString& name :
         {u"sys_vendor"_s, u"product_name"_s, u"board_vendor"_s, u"bios_vendor"_s}) {
        const QString value = CAgentStatisticsServiceRead(dmi + name);
        for (const QString& vendor : vendors) {
            if (value.startsWith(vendor, Qt::CaseInsensitive))
                return true;
        }
    }
    // Hyper-V shows its maker's name with a product of "Virtual Machine".
    if (CAgentStatisticsServiceRead(dmi + u"product_name"_s) == u"Virtual Machine"_s)
        return true;
    if (!CAgentStatisticsServiceRead(base + u"/sys/hypervisor/type"_s).isEmpty())
        return true;
    return CAgentStatisticsServiceCpuFlag(
        CAgentStatisticsServiceRead(base + u"/proc/cpuinfo"_s, 256 * 1024));
}

QString CAgentStatisticsService::GuestHostName(const QString& root)
{
    // Records of a 512-byte key and a 2048-byte value, each NUL-terminated UTF-8. The pool the
    // host writes for its guest is the fourth.
    constexpr qsizetype kKeyBytes = 512;
    constexpr qsizetype kRecordBytes = kKeyBytes + 2048;
    constexpr qsizetype kMostRecords = 256;
    const QString base = root.endsWith(u'/') ? root.chopped(1) : root;
    QByteArray records;
    if (CRegularFile::ReadAll(base + u"/var/lib/hyperv/.kvp_pool_3"_s, kRecordBytes * kMostRecords,
                              &records) != ERROR_SUCCESS)
        return QString();
    const auto field = [&](qsizetype offset, qsizetype size) {
        const QByteArray bytes = records.mid(offset, size);
        const qsizetype end = bytes.indexOf('\0');
        return QString::fromUtf8(end < 0 ? bytes : bytes.left(end)).trimmed();
    };
    // The most precise of the names the host gives wins.
    static const QString keys[] = {u"HostName"_s, u"PhysicalHostName"_s,
                                   u"PhysicalHostNameFullyQualified"_s};
    QString found;
    qsizetype foundRank = -1;
    for (qsizetype offset = 0; offset + kRecordBytes <= records.size(); offset += kRecordBytes) {
        const qsizetype rank =
            std::find(std::begin(keys), std::end(keys), field(offset, kKeyBytes)) -
            std::begin(keys);
        if (rank >= std::ssize(keys) || rank <= foundRank)
            continue;
        if (const QString value = field(offset + kKeyBytes, kRecordBytes - kKeyBytes);
            !value.isEmpty()) {
            found = value;
            foundRank = rank;
        }
    }
    return found;
}

int CAgentStatisticsService::GetHistory(const QString& volume, DBusContract::TPropertyBag& bag)
{
    if (volume.trimmed().isEmpty())
        return E_INVALIDARG;
    bag = m_history.PropertyBag(volume);
    return S_OK;
}

int CAgentStatisticsService::GetGeneration(uint& generation)
{
    generation = m_generation;
    return S_OK;
}

int CAgentStatisticsService::GetVirtualGuest(bool& isGuest, QString& hostName)
{
    // A guest without its host's name would read as "hosted on" nobody.
    const QString host = GuestHostName(u"/"_s);
    isGuest = !host.isEmpty() && DetectVirtualGuest(u"/"_s);
    hostName = isGuest ? host : QString();
    return S_OK;
}

int CAgentStatisticsService::GetEdition(uint& edition)
{
    edition = m_edition;
    return S_OK;
}
