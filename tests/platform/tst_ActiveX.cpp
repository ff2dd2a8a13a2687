#include "platform/activex/CAxBindable.h"
#include "platform/activex/CObjectSafety.h"

#include <QtTest>

namespace {

// A controlling object that only counts the references it is given.
class CCountingUnknown : public IAxUnknown {
public:
    HRESULT QueryInterface(const QUuid&, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++count; }
    ULONG Release() override { return --count; }

    ULONG count = 1;
};

} // namespace

class TestActiveX : public QObject {
    Q_OBJECT

private slots:
    void objectSafetyAnswersOnlyItsInterface();
};

void TestActiveX::objectSafetyAnswersOnlyItsInterface()
{
    CCountingUnknown control;
    CObjectSafety safety(&control);
    void* found = nullptr;
    QCOMPARE(static_cast<CAxAggregated&>(safety).QueryInterface(IObjectSafety::kIid, &found), S_OK);
    QCOMPARE(found, static_cast<void*>(static_cast<IObjectSafety*>(&safety)));
    // The interface handed out holds a reference, and it is the control's.
    QCOMPARE(control.count, ULONG(2));

    auto* face = static_cast<IObjectSafety*>(found);
    for (const QUuid& other : {QUuid(), QUuid(u"{00000000-0000-0000-C000-000000000046}")}) {
        void* output = &control;
        QCOMPARE(face->QueryInterface(other, &output), E_NOINTERFACE);
        QCOMPARE(output, nullptr);
    }
    QCOMPARE(control.count, ULONG(2));
    QCOMPARE(face->QueryInterface(IObjectSafety::kIid, nullptr), E_POINTER);

    DWORD supported = 0;
    DWORD enabled = 0;
    QCOMPARE(face->SetInterfaceSafetyOptions(QUuid(), 0xFFFFFFFF, 0), S_OK);
    QCOMPARE(face->GetInterfaceSafetyOptions(QUuid::createUuid(), &supported, &enabled), S_OK);
    QCOMPARE(supported, DWORD(3));
    QCOMPARE(enabled, DWORD(3));
    QCOMPARE(face->GetInterfaceSafetyOptions(QUuid(), nullptr, &enabled), E_POINTER);
    QCOMPARE(face->GetInterfaceSafetyOptions(QUuid(), &supported, nullptr), E_POINTER);
    // A control without extra interfaces aggregates nothing.
    QCOMPARE(CAxBindable().createAggregate(), nullptr);
}

QTEST_GUILESS_MAIN(TestActiveX)
#include "tst_ActiveX.moc"
