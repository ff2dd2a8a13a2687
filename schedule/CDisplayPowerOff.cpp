#include "schedule/CDisplayPowerOff.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

constexpr int kXsetTimeoutMilliseconds = 1000;
constexpr int kSecondsPerMinute = 60;

} // namespace

std::optional<int> CXsetDisplayPowerOff::ParseQuery(const QString& output)
{
    if (!output.contains(u"DPMS is Enabled"_s))
        return std::nullopt;
    static const QRegularExpression off(uR"(\bOff:\s*(\d+))"_s);
    const QRegularExpressionMatch match = off.match(output);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 seconds = match.captured(1).toLongLong(&ok);
    if (!ok || seconds <= 0 || seconds > qint64(kSecondsPerMinute) * 24 * 60 * 366)
        return std::nullopt;
    return static_cast<int>((seconds + kSecondsPerMinute - 1) / kSecondsPerMinute);
}

std::optional<int> CXsetDisplayPowerOff::PowerOffMinutes() const
{
    if (QProcessEnvironment::systemEnvironment().value(u"DISPLAY"_s).isEmpty())
        return std::nullopt;
    QProcess xset;
    xset.start(u"xset"_s, {u"q"_s}, QIODevice::ReadOnly);
    if (!xset.waitForFinished(kXsetTimeoutMilliseconds)) {
        xset.kill();
        xset.waitForFinished(kXsetTimeoutMilliseconds);
        return std::nullopt;
    }
    if (xset.exitStatus() != QProcess::NormalExit || xset.exitCode() != 0)
        return std::nullopt;
    return ParseQuery(QString::fromLocal8Bit(xset.readAllStandardOutput()));
}
