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
    QTest::newRow("win32 as small value") << HRESULT(ERROR_ACCESS_DENIED) << accessDenied;
    QTest::newRow("win32 in hresult") << HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) << accessDenied;
    QTest::newRow("com, not win32")
        << HRESULT(0x800401F0u) << QStringLiteral("CoInitialize has not been called.");
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
