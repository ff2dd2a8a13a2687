#include "tests/support/CEngineDaemonProcess.h"

#include "platform/com/CDBusActivator.h"

#include <QDBusConnection>
#include <QTest>

using namespace Qt::StringLiterals;

CEngineDaemonProcess::~CEngineDaemonProcess()
{
    Stop();
}

bool CEngineDaemonProcess::Start(const QString& program, const QString& volume,
                                 const QString& stateFolder, int timeoutMs)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{u"--volume"_s, volume, u"--state"_s, stateFolder};
    if (!m_movesData)
        arguments.append(u"--simulate"_s);
    m_process.start(program, arguments);
    if (!m_process.waitForStarted())
        return false;
    const QString address = u"unix:path="_s + CDBusActivator::LocalSocketPaths().constFirst();
    return QTest::qWaitFor(
        [&address] {
            const bool up = QDBusConnection::connectToPeer(address, u"probe"_s).isConnected();
            QDBusConnection::disconnectFromPeer(u"probe"_s);
            return up;
        },
        timeoutMs);
}

bool CEngineDaemonProcess::Stop(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    m_process.terminate();
    return m_process.waitForFinished(timeoutMs);
}
