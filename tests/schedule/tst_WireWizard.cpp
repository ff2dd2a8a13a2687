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
    CFakeNamePage()
        : CWirePageBase("CFakeNamePage")
        , edit(new QLineEdit(this))
    {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QSpinBox(this)); // before the first field in the tab order
        layout->addWidget(edit);
        connect(edit, &QLineEdit::textChanged, this, &CWirePageBase::Changed);
    }
    QString Title() const override { return u"Name"_s; }
    QString Summary() const override { return edit->text(); }
    void Load(const TWireRecord& r) override
    {
        edit->setText(QString::fromStdWString(WireName(r)));
    }
    void Store(TWireRecord* r) const override { WireName(*r) = edit->text().toStdWString(); }
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
    explicit CFakeNumberPage(quint32 CScheduleSettings::*field)
        : CWirePageBase("CFakeNumberPage")
        , spin(new QSpinBox(this))
        , m_field(field)
    {
        spin->setRange(0, 1000);
        (new QVBoxLayout(this))->addWidget(spin);
    }
    QString Title() const override { return u"Number"_s; }
    QString Summary() const override { return QString::number(spin->value()); }
    void Load(const TWireRecord& r) override
    {
        ++loads;
        spin->setValue(int(WireSettings(r).*m_field));
    }
    void Store(TWireRecord* r) const override
    {
        WireSettings(*r).*m_field = quint32(spin->value());
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
    void hiddenPages();
    void buttonsFollowPosition();
    void finishValidatesAndStores();
    void closeRejects();
    void setRecordLoadsEveryPage();
    void firstFieldGetsFocus();
    void markerImagesInEverySkin();
    void pageInfoWraps();

private:
    bool Buttons(bool back, bool next, bool finish) const;

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
    m_wizard->AddPage(m_name = new CFakeNamePage);
    m_wizard->AddPage(m_interval = new CFakeNumberPage(&CScheduleSettings::interval));
    m_wizard->AddPage(m_idle = new CFakeNumberPage(&CScheduleSettings::idleMinutes));
}

void TestWireWizard::cleanup()
{
    m_wizard.reset();
    m_presenter.reset();
}

bool TestWireWizard::Buttons(bool back, bool next, bool finish) const
{
    return m_wizard->BackButton()->isEnabled() == back &&
           m_wizard->NextButton()->isEnabled() == next &&
           m_wizard->FinishButton()->isEnabled() == finish;
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
    QCOMPARE(next.count(), 1);
    QCOMPARE(WireName(m_wizard->Record()), std::wstring(L"Nightly"));

    m_interval->spin->setValue(0);
    forward();
    QCOMPARE(m_wizard->CurrentIndex(), 1);
    QCOMPARE(m_presenter->messages.size(), 2);
}

// A hidden page has no marker, is passed over without being loaded and is left when it is the
// current one; Back stores a page even when it would not validate.
void TestWireWizard::hiddenPages()
{
    CWireProgress* progress = m_wizard->Progress();
    m_name->edit->setText(u"Nightly"_s);
    m_wizard->HidePage(m_interval);
    QCOMPARE(progress->NumberOf(1), 0);
    QCOMPARE(progress->NumberOf(2), 2);
    const int intervalLoads = m_interval->loads;
    m_wizard->NextButton()->click();
    QCOMPARE(m_wizard->CurrentIndex(), 2);
    QCOMPARE(m_interval->loads, intervalLoads);

    m_idle->spin->setValue(0);
    m_wizard->BackButton()->click();
    QCOMPARE(m_wizard->CurrentIndex(), 0);
    QCOMPARE(WireSettings(m_wizard->Record()).idleMinutes, 0u);
    QVERIFY(m_presenter->messages.isEmpty());

    m_wizard->ShowPage(m_interval);
    m_wizard->NextButton()->click();
    QCOMPARE(m_wizard->CurrentIndex(), 1);
    QCOMPARE(progress->NumberOf(2), 3);
    m_wizard->HidePage(m_interval);
    QCOMPARE(m_wizard->CurrentIndex(), 2);
    QCOMPARE(progress->Current(), 2);
    m_wizard->HidePage(m_idle);
    QCOMPARE(m_wizard->CurrentIndex(), 0);
    QVERIFY(Buttons(false, false, true));
    m_wizard->show(); // painting with hidden markers is safe
    QVERIFY(!progress->grab().isNull());
}

void TestWireWizard::buttonsFollowPosition()
{
    m_name->edit->setText(u"Nightly"_s);
    QVERIFY(Buttons(false, true, false));
    m_wizard->NextButton()->click();
    QVERIFY(Buttons(true, true, false));
    m_wizard->NextButton()->click();
    QVERIFY(Buttons(true, false, true));
    QCOMPARE(m_wizard->Progress()->Current(), 2);

    // An edited schedule may be finished from any page.
    m_wizard->BackButton()->click();
    m_wizard->BackButton()->click();
    m_wizard->SetEdit();
    QVERIFY(m_name->Editing());
    QVERIFY(Buttons(false, true, true));
}

// Enter moves on; on the last page it finishes, which refuses an invalid page and otherwise
// stores the page that was never left.
void TestWireWizard::finishValidatesAndStores()
{
    QSignalSpy finished(m_wizard.get(), &CWireWizardBase::Finish);
    m_name->edit->setText(u"Nightly"_s);
    QTest::keyClick(m_wizard.get(), Qt::Key_Return);
    m_interval->spin->setValue(48);
    QTest::keyClick(m_wizard.get(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(m_wizard->CurrentIndex(), 2);

    m_idle->spin->setValue(0);
    m_wizard->FinishButton()->click();
    QCOMPARE(finished.count(), 0);
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_wizard->result(), int(QDialog::Rejected));
    QCOMPARE(WireSettings(m_wizard->Record()).idleMinutes, 5u);

    m_idle->spin->setValue(15);
    QTest::keyClick(m_wizard.get(), Qt::Key_Return);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(m_wizard->result(), int(QDialog::Accepted));
    const auto& record = std::get<CCadence::CScheduleData>(m_wizard->Record());
    QCOMPARE(record.name, std::wstring(L"Nightly"));
    QVERIFY(record.settings == std::get<CCadence::CScheduleData>(MakeRecord(L"", 48, 15)).settings);
}

// Escape and the close button reject, and keep the record as it was.
void TestWireWizard::closeRejects()
{
    QSignalSpy rejected(m_wizard.get(), &QDialog::rejected);
    m_name->edit->setText(u"Nightly"_s);
    m_wizard->show();
    QTest::keyClick(m_name->edit, Qt::Key_Escape);
    QCOMPARE(rejected.count(), 1);
    QVERIFY(!m_wizard->isVisible());
    m_wizard->show();
    m_wizard->CloseButton()->click();
    QCOMPARE(rejected.count(), 2);
    QVERIFY(!m_wizard->isVisible());
    QCOMPARE(WireName(m_wizard->Record()), std::wstring());
}

// Every page and marker summary is loaded; a summary follows its page's changes.
void TestWireWizard::setRecordLoadsEveryPage()
{
    m_wizard->SetRecord(MakeRecord(L"Weekly", 24, 30));
    QCOMPARE(m_interval->spin->value(), 24);
    QCOMPARE(m_idle->spin->value(), 30);
    QCOMPARE(m_wizard->Progress()->Summary(2), u"30"_s);
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
    QVERIFY(info.Label()->heightForWidth(60) > info.Label()->heightForWidth(600));
    QVERIFY(info.minimumSizeHint().width() < 100);
}

QTEST_MAIN(TestWireWizard)
#include "tst_WireWizard.moc"
