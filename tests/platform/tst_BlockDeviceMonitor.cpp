#include "platform/devices/CBlockDeviceMonitor.h"

#include <QtTest>

namespace {

QByteArray Uevent(std::initializer_list<const char*> fields)
{
    QByteArray event;
    for (const char* field : fields)
        event.append(field).append('\0');
    return event;
}

} // namespace

class TestBlockDeviceMonitor : public QObject {
    Q_OBJECT

private slots:
    void blockEvents_data();
    void blockEvents();
};

void TestBlockDeviceMonitor::blockEvents_data()
{
    QTest::addColumn<QByteArray>("uevent");
    QTest::addColumn<bool>("block");

    const QByteArray added =
        Uevent({"add@/devices/virtual/block/loop7", "ACTION=add",
                "DEVPATH=/devices/virtual/block/loop7", "SUBSYSTEM=block", "SEQNUM=4242"});
    QTest::newRow("disk added") << added << true;
    QTest::newRow("media changed")
        << Uevent({"change@/devices/virtual/block/sr0", "DISK_MEDIA_CHANGE=1", "SUBSYSTEM=block"})
        << true;
    QTest::newRow("other subsystem") << Uevent({"add@/devices/net/x", "SUBSYSTEM=net"}) << false;
    QTest::newRow("longer value") << Uevent({"add@/devices/x", "SUBSYSTEM=blocked"}) << false;
    QTest::newRow("only in the header")
        << Uevent({"add@/SUBSYSTEM=block", "SUBSYSTEM=usb"}) << false;
    // The device manager's rebroadcasts start with a binary header of their own.
    QTest::newRow("device manager")
        << QByteArray("libudev\0\xfe\xed\xca\xfe", 12) + Uevent({"SUBSYSTEM=block"}) << false;

    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("no action") << Uevent({"@/devices/x", "SUBSYSTEM=block"}) << false;
    QTest::newRow("no device path") << Uevent({"add@", "SUBSYSTEM=block"}) << false;
    QTest::newRow("field without =") << Uevent({"add@/devices/x", "SUBSYSTEM=block", "x"}) << false;
    QTest::newRow("empty field") << Uevent({"add@/devices/x", "", "SUBSYSTEM=block"}) << false;
    QTest::newRow("cut short") << added.chopped(1) << false;
    QTest::newRow("header cut short") << QByteArray("add@/devices/x") << false;
}

void TestBlockDeviceMonitor::blockEvents()
{
    QFETCH(QByteArray, uevent);
    QFETCH(bool, block);
    QCOMPARE(CBlockDeviceMonitor::IsBlockEvent(uevent), block);
}

QTEST_GUILESS_MAIN(TestBlockDeviceMonitor)
#include "tst_BlockDeviceMonitor.moc"
