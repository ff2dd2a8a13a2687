#include "resources/CSkinResources.h"
#include "schedule/CWirePageBase.h"
#include "schedule/CWireProgress.h"
#include "schedule/CWireWizardBase.h"
#include "schedule/CWizardPageInfo.h"
#include "tests/support/CScriptedPresenter.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A page over the record's name; refuses an empty one.
class CFakeNamePage : public CWirePageBase {
public:
    explicit CFakeNamePage(QWidget* parent = nullptr)
        : CWirePageBase("CFakeNamePage", parent)
        , edit(new QLineEdit(this))
    {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QSpinBox(this)); // before the first field in the tab order
        layout->addWidget(edit);
        connect(edit, &QLineEdit::textChanged, this, &CWirePageBase::Changed);
    }
    QString Title() const override { return u"Name"_s; }
    QString Summary() const override { return edit->text(); }
    void Load(const TWireRecord& record) override
    {
        edit->setText(QString::fromStdWString(WireName(record)));
    }
    void Store(TWireRecord* record) const override
    {
        WireName(*record) = edit->text().toStdWString();
    }
    QString Validate() const override
    {
        return edit->text().isEmpty() ? u"Name missing"_s : QString();
    }
    QWidget* FirstField() const override { return edit; }

    QLineEdit* edit;
};

// A page over one number of the settings; refuses 0. It names no first field.
class CFakeNumberPage : public CWirePageBase {
public:
    CFakeNumberPage(quint32 CScheduleSettings::*field, QWidget* parent = nullptr)
        : CWirePageBase("CFakeNumberPage", parent)
        , spin(new QSpinBox(this))
        , m_field(field)
    {
        spin->setRange(0, 1000);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(spin);
    }
    QString Title() const override { return u"Number"_s; }
    QString Summary() const override { return QString::number(spin->value()); }
    void Load(const TWireRecord& record) override
    {
        ++loads;
        spin->setValue(int(WireSettings(record).*m_field));
    }
    void Store(TWireRecord* record) const override
    {
        WireSettings(*record).*m_field = quint32(spin->value());
    }
    QString Validate() const override
    {
        return spin->value() == 0 ? u"Number missing"_s : QString();
    }

    QSpinBox* spin;
    int loads = 0;

private:
    quint32 CScheduleSettings::*m_field;
};

TWireRecord MakeRecord(const TName& name, quint32 interval, quint32 idle)
{
    CCadence::CScheduleData data;
    data.name = name;
    data.settings.interval = interval;
    data.settings.idleMinutes = idle;
    return data;
}

} // namespace

// The wizard frame over fake pages: moving on only past valid pages, back over hidden pages,
// finishing stores every page, closing keeps the record as it was, and the focus.
class TestWireWizard : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void nextRefusedByValidation_data();
    void nextRefusedByValidation();
    void backAndHiddenPageSkipped();
    void hidingCurrentPageMovesOn();
    void buttonsFollowPosition();
    void finishStoresAllPages();
    void finishRefusedOnInvalidPage();
    void closeRejects_data();
    void closeRejects();
    void setRecordLoadsEveryPage();
    void firstFieldGetsFocus();
    void markersNumberVisiblePages();
    void markerImagesInEverySkin();
    void pageInfoWraps();

private:
    std::unique_ptr<CScriptedPresenter> m_presenter;
    std::unique_ptr<CWireWizardBase> m_wizard;
    CFakeNamePage* m_name = nullptr;
    CFakeNumberPage* m_interval = nullptr;
    CFakeNumberPage* m_idle = nullptr;
};

void TestWireWizard::init()
{
    m_presenter = std::make_unique<CScriptedPresenter>();
    m_wizard = std::make_unique<CWireWizardBase>(CWireWizardBase::kQuietWatch,
                                                 MakeRecord(L"", 72, 5), "TestWizard");
    m_name = new CFakeNamePage;
    m_interval = new CFakeNumberPage(&CScheduleSettings::interval);
    m_idle = new CFakeNumberPage(&CScheduleSettings::idleMinutes);
    m_wizard->AddPage(m_name);
    m_wizard->AddPage(m_interval);
    m_wizard->AddPage(m_idle);
}

void TestWireWizard::cleanup()
{
    m_wizard.reset();
    m_presenter.reset();
}

void TestWireWizard::nextRefusedByValidation_data()
{
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("next button") << false;
    QTest::newRow("enter key") << true;
}

void TestWireWizard::nextRefusedByValidation()
{
    QFETCH(bool, byEnter);
    QSignalSpy next(m_wizard.get(), &CWireWizardBase::Next);
    const auto forward = [&] {
        if (byEnter)
            QTest::keyClick(m_name->edit, Qt::Key_Return);
        else
            m_wizard->NextButton()->click();
    };

    forward();
    QCOMPARE(m_wizard->CurrentIndex(), 0);
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages.first().text, u"Name missing"_s);
    QCOMPARE(next.count(), 0);

    m_name->edit->setText(u"Nightly"_s);
    forward();
    QCOMPARE(m_wizard->CurrentIndex(), 1);
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(next.count(), 1);
    QCOMPARE(WireName(m_wizard->Record()), std::wstring(L"Nightly"));

    // The number page refuses 0 the same way.
    m_interval->spin->setValue(0);
    forward();
    QCOMPARE(m_wizard->CurrentIndex(), 1);
    QCOMPARE(m_presenter->messages.size(), 2);
}

void TestWireWizard::backAndHiddenPageSkipped()
{
    m_name->edit->setText(u"Nightly"_s);
    m_wizard->HidePage(m_interval);
    QCOMPARE(m_wizard->Progress()->NumberOf(2), 2);
    QCOMPARE(m_wizard->Progress()->NumberOf(1), 0);

    const int intervalLoads = m_interval->loads;
    m_wizard->NextButton()->click();
    QCOMPARE(m_wizard->CurrentIndex(), 2);
    QCOMPARE(m_interval->loads, intervalLoads);

    // Back stores the page as it stands, even when it would not validate.
    m_idle->spin->setValue(0);
    m_wizard->BackButton()->click();
    QCOMPARE(m_wizard->CurrentIndex(), 0);
    QCOMPARE(WireSettings(m_wizard->Record()).idleMinutes, 0u);
    QVERIFY(m_presenter->messages.isEmpty());

    // A page put back takes its place again.
    m_wizard->ShowPage(m_interval);
    m_wizard->NextButton()->click();
    QCOMPARE(m_wizard->CurrentIndex(), 1);
    QCOMPARE(m_wizard->Progress()->NumberOf(2), 3);
}

void TestWireWizard::hidingCurrentPageMovesOn()
{
    m_name->edit->setText(u"Nightly"_s);
    m_wizard->NextButton()->click();
    QCOMPARE(m_wizard->CurrentIndex(), 1);
    m_wizard->HidePage(m_interval);
    QCOMPARE(m_wizard->CurrentIndex(), 2);
    QCOMPARE(m_wizard->Progress()->Current(), 2);
    m_wizard->HidePage(m_idle);
    QCOMPARE(m_wizard->CurrentIndex(), 0);
    QVERIFY(!m_wizard->NextButton()->isEnabled());
    QVERIFY(m_wizard->FinishButton()->isEnabled());
}

void TestWireWizard::buttonsFollowPosition()
{
    m_name->edit->setText(u"Nightly"_s);
    struct TState {
        bool back, next, finish;
    };
    const auto check = [this](TState state) {
        return m_wizard->BackButton()->isEnabled() == state.back &&
               m_wizard->NextButton()->isEnabled() == state.next &&
               m_wizard->FinishButton()->isEnabled() == state.finish;
    };
    QVERIFY(check({false, true, false}));
    m_wizard->NextButton()->click();
    QVERIFY(check({true, true, false}));
    m_wizard->NextButton()->click();
    QVERIFY(check({true, false, true}));
    QCOMPARE(m_wizard->Progress()->Current(), 2);

    // An edited schedule may be finished from any page.
    m_wizard->BackButton()->click();
    m_wizard->BackButton()->click();
    m_wizard->SetEdit();
    QVERIFY(m_name->Editing());
    QVERIFY(check({false, true, true}));
}

void TestWireWizard::finishStoresAllPages()
{
    QSignalSpy finished(m_wizard.get(), &CWireWizardBase::Finish);
    m_name->edit->setText(u"Nightly"_s);
    QTest::keyClick(m_wizard.get(), Qt::Key_Return);
    m_interval->spin->setValue(48);
    QTest::keyClick(m_wizard.get(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(m_wizard->CurrentIndex(), 2);
    m_idle->spin->setValue(15);
    // Store through Finish only: the last page has not been left.
    QCOMPARE(WireSettings(m_wizard->Record()).idleMinutes, 5u);

    QTest::keyClick(m_wizard.get(), Qt::Key_Return);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(m_wizard->result(), int(QDialog::Accepted));
    const auto& record = std::get<CCadence::CScheduleData>(m_wizard->Record());
    QCOMPARE(record.name, std::wstring(L"Nightly"));
    QVERIFY(record.settings == std::get<CCadence::CScheduleData>(MakeRecord(L"", 48, 15)).settings);
    QVERIFY(m_presenter->messages.isEmpty());
}

void TestWireWizard::finishRefusedOnInvalidPage()
{
    QSignalSpy finished(m_wizard.get(), &CWireWizardBase::Finish);
    m_name->edit->setText(u"Nightly"_s);
    m_wizard->NextButton()->click();
    m_wizard->NextButton()->click();
    m_idle->spin->setValue(0);
    m_wizard->FinishButton()->click();
    QCOMPARE(finished.count(), 0);
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages.first().text, u"Number missing"_s);
    QCOMPARE(m_wizard->CurrentIndex(), 2);
    QCOMPARE(m_wizard->result(), int(QDialog::Rejected));
    QCOMPARE(WireSettings(m_wizard->Record()).idleMinutes, 5u);
}

void TestWireWizard::closeRejects_data()
{
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("escape") << true;
    QTest::newRow("close button") << false;
}

void TestWireWizard::closeRejects()
{
    QFETCH(bool, byEscape);
    m_wizard->show();
    QSignalSpy rejected(m_wizard.get(), &QDialog::rejected);
    m_name->edit->setText(u"Nightly"_s);
    if (byEscape)
        QTest::keyClick(m_name->edit, Qt::Key_Escape);
    else
        m_wizard->CloseButton()->click();
    QCOMPARE(rejected.count(), 1);
    QVERIFY(!m_wizard->isVisible());
    QCOMPARE(WireName(m_wizard->Record()), std::wstring());
}

void TestWireWizard::setRecordLoadsEveryPage()
{
    m_wizard->SetRecord(MakeRecord(L"Weekly", 24, 30));
    QCOMPARE(m_name->edit->text(), u"Weekly"_s);
    QCOMPARE(m_interval->spin->value(), 24);
    QCOMPARE(m_idle->spin->value(), 30);
    QCOMPARE(m_wizard->Progress()->Summary(0), u"Weekly"_s);
    QCOMPARE(m_wizard->Progress()->Summary(2), u"30"_s);

    // A summary follows the page's changes.
    m_name->edit->setText(u"Other"_s);
    QCOMPARE(m_wizard->Progress()->Summary(0), u"Other"_s);
}

void TestWireWizard::firstFieldGetsFocus()
{
    m_wizard->show();
    QCOMPARE(m_wizard->focusWidget(), m_name->edit);
    m_name->edit->setText(u"Nightly"_s);
    m_wizard->NextButton()->click();
    // No first field named: the page's first field in the tab order.
    QCOMPARE(m_wizard->focusWidget(), m_interval->spin);
    m_interval->spin->setValue(0);
    m_wizard->NextButton()->click();
    QCOMPARE(m_wizard->focusWidget(), m_interval->spin);
    m_wizard->BackButton()->click();
    QCOMPARE(m_wizard->focusWidget(), m_name->edit);
}

void TestWireWizard::markersNumberVisiblePages()
{
    CWireProgress* progress = m_wizard->Progress();
    QCOMPARE(progress->NumberOf(0), 1);
    QCOMPARE(progress->NumberOf(2), 3);
    m_wizard->HidePage(m_name);
    QCOMPARE(progress->NumberOf(0), 0);
    QCOMPARE(progress->NumberOf(2), 2);
    QCOMPARE(progress->Current(), 1);
    QCOMPARE(CWireProgress::MarkerImage(2, true), u"wizard_number2_on.png"_s);
    // Painting with hidden markers and a current one is safe.
    m_wizard->show();
    QVERIFY(!progress->grab().isNull());
}

void TestWireWizard::markerImagesInEverySkin()
{
    // The longest wizard has five pages.
    for (int skin = 0; skin < CSkinResources::kSkinCount; ++skin) {
        const QString folder = CSkinResources::ImageFolder(skin);
        QVERIFY(!QPixmap(CSkinResources::SkinImagePath(folder, u"wizard_BG.png"_s)).isNull());
        for (int number = 1; number <= 5; ++number)
            for (const bool current : {true, false}) {
                const QString name = CWireProgress::MarkerImage(number, current);
                QVERIFY2(!QPixmap(CSkinResources::SkinImagePath(folder, name)).isNull(),
                         qPrintable(folder + u'/' + name));
            }
    }
}

void TestWireWizard::pageInfoWraps()
{
    CWizardPageInfo info(u"Set the minimum period between defragmentation runs."_s);
    QCOMPARE(info.Text(), u"Set the minimum period between defragmentation runs."_s);
    QVERIFY(info.Label()->wordWrap());
    QVERIFY(info.Label()->heightForWidth(60) > info.Label()->heightForWidth(600));
    QVERIFY(info.minimumSizeHint().width() < 100);
}

QTEST_MAIN(TestWireWizard)
#include "tst_WireWizard.moc"
