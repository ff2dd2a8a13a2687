#include "core/CSystemMessage.h"

#include <QTest>

class tst_SystemMessage : public QObject {
    Q_OBJECT

private slots:
    void text_data();
    void text();
};

void tst_SystemMessage::text_data()
{
    QTest::addColumn<HRESULT>("code");
    QTest::addColumn<QString>("text");

    const QString accessDenied = QStringLiteral("Access is denied.");
    QTest::newRow("success") << S_OK << QStringLiteral("The operation completed successfully.");
    QTest::newRow("win32 as small value") << HRESULT(ERROR_ACCESS_DENIED) << accessDenied;
    QTest::newRow("win32 in hresult") << HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) << accessDenied;
    QTest::newRow("out of memory hresult")
        << E_OUTOFMEMORY
        << QStringLiteral("Not enough memory resources are available to complete this operation.");
    QTest::newRow("rpc in hresult") << HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE)
                                    << QStringLiteral("The RPC server is unavailable.");
    QTest::newRow("com") << E_UNEXPECTED << QStringLiteral("Catastrophic failure");
    QTest::newRow("com, not win32")
        << HRESULT(0x800401F0u) << QStringLiteral("CoInitialize has not been called.");

    QTest::newRow("unknown failure")
        << HRESULT(0x80004321u) << QStringLiteral("Unknown error: -2147466463");
    // Only facility Win32 unwraps: the same low word under another facility is unknown.
    QTest::newRow("other facility")
        << HRESULT(0x80040005u) << QStringLiteral("Unknown error: -2147221499");
    QTest::newRow("win32 code without text")
        << HRESULT_FROM_WIN32(9999) << QStringLiteral("Unknown error: -2147014897");
    QTest::newRow("small unknown") << HRESULT(9999) << QStringLiteral("Unknown error: 9999");
    QTest::newRow("above the win32 range")
        << HRESULT(0x00070005) << QStringLiteral("Unknown error: 458757");
}

void tst_SystemMessage::text()
{
    QFETCH(HRESULT, code);
    QFETCH(QString, text);
    QCOMPARE(CSystemMessage::Text(code), text);
}

QTEST_APPLESS_MAIN(tst_SystemMessage)
#include "tst_SystemMessage.moc"
