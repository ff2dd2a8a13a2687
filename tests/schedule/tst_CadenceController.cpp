#include "appmodel/CModelLayout.h"
#include "core/COleDate.h"
#include "schedule/CCadenceFeed.h"
#include "schedule/CCadenceWidget.h"
#include "tests/support/CAppFixture.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestScheduleStore.h"

#include <QHeaderView>
#include <QSplitter>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The scheduling tab as the application's scheduling controller: the pane it switches to, the
// drives' next runs it asks for, the console policy and the view state kept in the settings.
class TestCadenceController : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void registersWhileItLives();
    void runNowSwitchesToThePaneOfItsKind_data();
    void runNowSwitchesToThePaneOfItsKind();
    void deleteAndToggleUpdateTheNextRuns();
    void policyDeniesTheMenuEntries();
    void viewStateIsKeptInTheSettings();

private:
    void Select(const TName& name);

    std::unique_ptr<CAppFixture> m_f;
    std::unique_ptr<CTestScheduleStore> m_store;
    std::unique_ptr<CTestEngine> m_engine;
    std::unique_ptr<CCadenceWidget> m_page;
};

void TestCadenceController::init()
{
    m_f = std::make_unique<CAppFixture>();
    m_store = std::make_unique<CTestScheduleStore>();
    m_engine = std::make_unique<CTestEngine>();
    m_store->ServeOn(*m_engine);
    QVERIFY(m_engine->Start());
    QCOMPARE(m_f->app->Agent().Connect(L"", L"", L"", L""), S_OK);
    const double tomorrow = COleDate::Now() + 1;
    m_store->Put({u"Nightly"_s,
                  1,
                  102,
                  u"volumes=C&method=tl"_s,
                  false,
                  0.0,
                  {{u"Item 1"_s, tomorrow, 86400, 0, 0}}});
    m_store->Put({u"Stores"_s, 1, 201, u"datastores=ALLDATASTORES"_s, false, 0.0, {}});
    m_store->Put({u"Guests"_s, 1, 401, u"Virtual+Machines=web%7c1"_s, false, 0.0, {}});
    m_page = std::make_unique<CCadenceWidget>(m_f->app->CadenceFeed());
    m_page->UpdateModel();
    QCOMPARE(m_f->app->Cadence().ScheduleCount(), 1u);
}

void TestCadenceController::cleanup()
{
    m_page.reset();
    m_f->app.reset();
    m_engine.reset();
    m_store.reset();
    m_f.reset();
}

void TestCadenceController::Select(const TName& name)
{
    m_page->SelectSchedule(name);
    QCOMPARE(m_f->app->Cadence().CurrentSchedule(), std::optional<TName>(name));
}

void TestCadenceController::registersWhileItLives()
{
    QCOMPARE(m_f->app->CadenceController(), static_cast<ICadenceController*>(m_page.get()));
    // The application's refresh reloads through the page.
    QSignalSpy updated(m_page.get(), &CCadenceWidget::ModelUpdated);
    m_f->app->RefreshModel();
    QCOMPARE(updated.count(), 1);
    m_page.reset();
    QCOMPARE(m_f->app->CadenceController(), nullptr);
}

void TestCadenceController::runNowSwitchesToThePaneOfItsKind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("pane");
    QTest::newRow("drive") << u"Nightly"_s << int(CModelLayout::kDefragmentation);
    QTest::newRow("Exchange") << u"Stores"_s << int(CModelLayout::kExchange);
    QTest::newRow("guest") << u"Guests"_s << int(CModelLayout::kVirtualGuests);
}

void TestCadenceController::runNowSwitchesToThePaneOfItsKind()
{
    QFETCH(QString, name);
    QFETCH(int, pane);
    m_f->app->SetActivePane(CModelLayout::kScheduling);
    Select(name.toStdWString());
    m_page->RunNow();
    QCOMPARE(int(m_f->app->GetActivePane()), pane);

    // A failing run stays on the tab.
    m_f->app->SetActivePane(CModelLayout::kScheduling);
    m_store->FailNext(u"RunNow"_s, E_ACCESSDENIED);
    m_page->RunNow();
    QCOMPARE(int(m_f->app->GetActivePane()), int(CModelLayout::kScheduling));
    QCOMPARE(m_f->presenter.messages.size(), 1);
}

void TestCadenceController::deleteAndToggleUpdateTheNextRuns()
{
    QSignalSpy nextRuns(&m_f->app->CadenceFeed(), &CCadenceFeed::NextRunsChanged);
    Select(L"Nightly");
    m_page->Disable();
    QCOMPARE(nextRuns.count(), 1);
    QVERIFY(m_f->app->Cadence().Schedules().at(L"Nightly").settings.disabled);

    // A failing delete asks for nothing.
    m_f->presenter.messageAnswers = {CScriptedPresenter::Answer(QMessageBox::Yes)};
    m_store->FailNext(u"DeleteSchedule"_s, E_ACCESSDENIED);
    m_page->Delete();
    QCOMPARE(nextRuns.count(), 1);

    m_f->presenter.messageAnswers = {CScriptedPresenter::Answer(QMessageBox::Yes)};
    m_page->Delete();
    QCOMPARE(nextRuns.count(), 2);
    QVERIFY(!m_store->Schedule(u"Nightly"_s));
}

void TestCadenceController::policyDeniesTheMenuEntries()
{
    Select(L"Nightly");
    CScheduleTable::TMenuContext context = m_page->MenuContext();
    QVERIFY(context.allowRun && context.allowModify);

    for (const QString& name : {u"AllowRunSchedule"_s, u"AllowModifySched"_s})
        CAppFixture::SetDword(u"Software\\Policies\\Tellmar\\Korvane\\11.0"_s, name, 0);
    m_f->app->Policy().ReloadPolicy(false);
    context = m_page->MenuContext();
    const CScheduleTable::TMenuEntries entries = CScheduleTable::MenuEntries(context);
    QVERIFY(entries.shown);
    QVERIFY(!entries.runNow && !entries.edit && !entries.rename && !entries.remove &&
            !entries.toggle);
}

void TestCadenceController::viewStateIsKeptInTheSettings()
{
    // A narrow table beside a wide pane, sorted by its next runs.
    m_page->SetDetailPane(new QWidget);
    m_page->Splitter()->setSizes({200, 600});
    m_page->Table()->horizontalHeader()->setSortIndicator(3, Qt::DescendingOrder);
    const QByteArray splitter = m_page->Splitter()->saveState();
    m_page.reset();
    QCOMPARE(m_f->app->Settings().value(CCadenceWidget::kSplitterKey).toByteArray(), splitter);
    QVERIFY(m_f->app->Settings().contains(CCadenceWidget::kTableStateKey));

    // The next page takes them; the splitter once its pane is there.
    m_page = std::make_unique<CCadenceWidget>(m_f->app->CadenceFeed());
    QCOMPARE(m_page->Table()->horizontalHeader()->sortIndicatorSection(), 3);
    QCOMPARE(m_page->Table()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    m_page->SetDetailPane(new QWidget);
    QCOMPARE(m_page->Splitter()->saveState(), splitter);
}

QTEST_MAIN(TestCadenceController)
#include "tst_CadenceController.moc"
