#include "core/CSystemMessage.h"
#include "platform/registry/CSettings.h"
#include "schedule/CAgentSchedules.h"
#include "schedule/CCadenceWizardTableModel.h"
#include "schedule/CRenameWizard.h"
#include "schedule/CScheduleDataFileIO.h"
#include "schedule/CScheduleNamePage.h"
#include "schedule/CWireProgress.h"
#include "schedule/CWireWizardWithIO.h"
#include "tests/support/CAppFixture.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

enum TKind { kDrive, kExchange, kGuest };

// A record of the kind with a start (and next run) and the kind's own targets, all of which a
// template keeps as they are.
TWireRecord Sample(TKind kind, const TName& name, quint32 interval)
{
    TWireRecord record;
    if (kind == kDrive)
        std::get<0>(record).drives = {L"vol-1", L"vol-2"};
    else if (kind == kExchange)
        record.emplace<1>().dataStores = {{L"Storage Group", L"Mailbox Database"}};
    else
        record.emplace<2>().guests = {{L"guest.vmx", {1, 0, 1, 0}, 1}};
    WireName(record) = name;
    CScheduleSettings& settings = WireSettings(record);
    settings.type = kind == kDrive      ? CCadence::kDaily
                    : kind == kExchange ? CCadence::kWeekly
                                        : CCadence::kOneTime;
    settings.start = settings.nextRun = 47000.25 + settings.type;
    settings.interval = interval;
    return record;
}

// A page over the exclusion windows, which a template does not hold.
class CWindowsPage : public CWirePageBase {
public:
    CWindowsPage()
        : CWirePageBase("CWindowsPage")
    {}
    QString Title() const override { return u"Exclusions"_s; }
    QString Summary() const override { return QString::number(windows.size()); }
    void Load(const TWireRecord& r) override { windows = WireSettings(r).exclusionWindows; }
    void Store(TWireRecord* r) const override { WireSettings(*r).exclusionWindows = windows; }
    QString Validate() const override { return QString(); }

    CScheduleSettings::TExclusionWindows windows;
};

// The bytes a record is saved as: records compare by them.
QByteArray Encoded(const TWireRecord& record)
{
    return std::visit(
        [](const auto& s) { return CScheduleDataFileIO<std::decay_t<decltype(s)>>::Encode(s); },
        record);
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

} // namespace

Q_DECLARE_METATYPE(TKind)

// The template links of the wizards (files chosen through the file dialog, the remembered
// folder, bad and failing files), the name page's refusals and the rename wizard.
class TestWizardIO : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_f = std::make_unique<CAppFixture>(); }
    void init();
    void cleanupTestCase() { m_f.reset(); }

    void templateRoundTrip_data();
    void templateRoundTrip();
    void foreignKindLoadsAsWizardKind();
    void badFileChangesNothing_data();
    void badFileChangesNothing();
    void helpTopicOnF1();
    void namePageValidation_data();
    void namePageValidation();
    void namePageListsEverySchedule();
    void renameWizard();

private:
    // A wizard of the kind over a name page.
    std::unique_ptr<CWireWizardWithIO> MakeWizard(TKind kind, const TWireRecord& record);
    // The next file dialog chooses the path; the folder and filter it showed are kept.
    void ChooseFile(const QString& path);

    std::unique_ptr<CAppFixture> m_f;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CCadence> m_cadence;
    CScheduleNamePage* m_name = nullptr;
    QString m_dialogDirectory;
    QString m_dialogFilter;
};

void TestWizardIO::init()
{
    m_dir = std::make_unique<QTemporaryDir>(m_f->environment.Root() + u"/files-XXXXXX"_s);
    QVERIFY(m_dir->isValid());
    m_cadence = std::make_unique<CCadence>();
    m_cadence->Schedules()[L"Nightly"] = std::get<0>(Sample(kDrive, L"Nightly", 24));
    m_cadence->ExSchedules()[L"Mailbox"] = std::get<1>(Sample(kExchange, L"Mailbox", 168));
    m_cadence->VmSchedules()[L"Guests"] = std::get<2>(Sample(kGuest, L"Guests", 0));
    m_f->presenter.messages.clear();
    m_f->presenter.dialogTitles.clear();
    m_f->presenter.dialogScripts.clear();
    m_f->shell.opened.clear();
    m_f->app->Settings().remove(u"Directories"_s);
}

std::unique_ptr<CWireWizardWithIO> TestWizardIO::MakeWizard(TKind kind, const TWireRecord& record)
{
    std::unique_ptr<CWireWizardWithIO> wizard;
    if (kind == kDrive)
        wizard = std::make_unique<CWireWizardWithIO>(CWireWizardBase::kDaily, record, "W");
    else if (kind == kExchange)
        wizard =
            std::make_unique<CWireWizardExWithIO>(CWireWizardBase::kExchangeWeekly, record, "W");
    else
        wizard = std::make_unique<CWireWizardVmWithIO>(CWireWizardBase::kGuestOneTime, record, "W");
    wizard->AddPage(m_name = new CScheduleNamePage(*m_cadence));
    return wizard;
}

void TestWizardIO::ChooseFile(const QString& path)
{
    m_f->presenter.dialogScripts.append([this, path](QDialog& dialog) {
        auto& files = static_cast<QFileDialog&>(dialog);
        m_dialogDirectory = files.directory().absolutePath();
        m_dialogFilter = files.nameFilters().join(u';');
        files.selectFile(path);
        return int(QDialog::Accepted);
    });
}

void TestWizardIO::templateRoundTrip_data()
{
    QTest::addColumn<TKind>("kind");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("drive") << kDrive << u"Korvane Template files (*.kvt)"_s << u"Schedules"_s
                           << u".kvt"_s;
    QTest::newRow("exchange") << kExchange << u"Korvane Exchange Template files (*.kxt)"_s
                              << u"Exchange Schedules"_s << u".kxt"_s;
    QTest::newRow("guest") << kGuest << u"Korvane vm Template files (*.kgt)"_s
                           << u"Virtual Computer Schedules"_s << u".kgt"_s;
}

// A cancelled dialog does nothing. Saving collects the pages' choices as they stand and replaces
// a longer file whole; loading puts the pages back; both dialogs start in the folder last used
// for this kind.
void TestWizardIO::templateRoundTrip()
{
    QFETCH(TKind, kind);
    QFETCH(QString, filter);
    QFETCH(QString, key);
    QFETCH(QString, suffix);
    const TWireRecord start = Sample(kind, L"", 168);
    auto wizard = MakeWizard(kind, start);
    m_name->NameEdit()->setText(u"Weekend"_s);
    const auto remembered = [&] {
        return m_f->app->Settings().value(u"Directories/"_s + key).toString();
    };

    emit wizard->SaveLink()->linkActivated(u"save"_s); // no script: rejected
    emit wizard->LoadLink()->linkActivated(u"load"_s);
    QCOMPARE(m_f->presenter.dialogTitles, (QStringList{u"Save File"_s, u"Open File"_s}));
    QVERIFY(m_f->presenter.messages.isEmpty());
    QVERIFY(remembered().isEmpty());
    QCOMPARE(Entries(m_dir->path()), QStringList());
    QCOMPARE(m_name->NameEdit()->text(), u"Weekend"_s);

    const QString folder = m_dir->filePath(u"templates"_s);
    const QString path = folder + u"/weekend"_s + suffix;
    QVERIFY(QDir().mkpath(folder));
    WriteBytes(path, QByteArray(4096, 'x'));
    ChooseFile(folder + u"/weekend"_s); // a name typed without a suffix gets the kind's
    emit wizard->SaveLink()->linkActivated(u"save"_s);
    QVERIFY(m_f->presenter.messages.isEmpty());
    QCOMPARE(m_dialogFilter, filter);
    QCOMPARE(remembered(), QDir::toNativeSeparators(folder));
    const TWireRecord expected = Sample(kind, L"Weekend", 168);
    QCOMPARE(FileBytes(path), Encoded(expected));
    QCOMPARE(Entries(folder), QStringList{QFileInfo(path).fileName()});

    m_name->NameEdit()->setText(u"Other"_s);
    wizard->SaveSettings();
    ChooseFile(path);
    emit wizard->LoadLink()->linkActivated(u"load"_s);
    QVERIFY(m_f->presenter.messages.isEmpty());
    QCOMPARE(m_dialogDirectory, QDir(folder).absolutePath());
    QCOMPARE(m_name->NameEdit()->text(), u"Weekend"_s);
    QCOMPARE(wizard->Progress()->Summary(0), u"Weekend"_s);
    QCOMPARE(Encoded(wizard->Record()), Encoded(expected));
}

// A template of another kind passes the tag test and is read as the wizard's own kind; what
// the file does not hold keeps what the pages show, stored or not.
void TestWizardIO::foreignKindLoadsAsWizardKind()
{
    const QString path = m_dir->filePath(u"mail.kxt"_s);
    WriteBytes(path, Encoded(Sample(kExchange, L"Mail", 504)));
    auto wizard = MakeWizard(kDrive, Sample(kDrive, L"Fresh", 24));
    auto* exclusions = new CWindowsPage;
    wizard->AddPage(exclusions);
    const CScheduleSettings::TExclusionWindows windows{{47000.5, 2, 7}};
    exclusions->windows = windows;
    QVERIFY(wizard->LoadFromFile(path));
    QVERIFY(m_f->presenter.messages.isEmpty());
    const auto* drive = std::get_if<CCadence::CScheduleData>(&wizard->Record());
    QVERIFY(drive);
    QCOMPARE(drive->settings.type, quint32(CCadence::kWeekly));
    QCOMPARE(drive->settings.interval, 504u);
    QVERIFY(drive->settings.exclusionWindows == windows);
    QVERIFY(exclusions->windows == windows);
    QCOMPARE(m_name->NameEdit()->text(), u"Mail"_s);
}

void TestWizardIO::badFileChangesNothing_data()
{
    const QByteArray valid = Encoded(Sample(kDrive, L"Truncated", 48));
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("file"); // ending in '/': a folder there
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<DWORD>("error");
    QTest::newRow("load: not a template")
        << false << u"notes.kvt"_s << QByteArray("plain text") << DWORD(ERROR_FILE_CORRUPT);
    QTest::newRow("load: truncated")
        << false << u"short.kvt"_s << valid.first(valid.size() - 9) << DWORD(ERROR_FILE_CORRUPT);
    QTest::newRow("load: empty") << false << u"empty.kvt"_s << QByteArray("")
                                 << DWORD(ERROR_FILE_CORRUPT);
    QTest::newRow("load: missing")
        << false << u"missing.kvt"_s << QByteArray() << DWORD(ERROR_FILE_NOT_FOUND);
    QTest::newRow("load: folder") << false << u"folder.kvt/"_s << QByteArray()
                                  << DWORD(ERROR_ACCESS_DENIED);
    QTest::newRow("save: target is a folder")
        << true << u"taken.kvt/"_s << QByteArray() << DWORD(ERROR_ACCESS_DENIED);
    QTest::newRow("save: missing folder")
        << true << u"gone/new.kvt"_s << QByteArray() << DWORD(ERROR_PATH_NOT_FOUND);
    QTest::newRow("save: read-only folder")
        << true << u"locked/new.kvt"_s << QByteArray() << DWORD(ERROR_ACCESS_DENIED);
}

// A file that cannot be read or written shows the error, changes nothing in the wizard and
// leaves no file behind, not even a partial one beside the target.
void TestWizardIO::badFileChangesNothing()
{
    QFETCH(bool, save);
    QFETCH(QString, file);
    QFETCH(QByteArray, contents);
    QFETCH(DWORD, error);
    const QString path = m_dir->filePath(file.chopped(file.endsWith(u'/')));
    const QString folder = QFileInfo(path).absolutePath();
    const bool locked = file.startsWith(u"locked"_s);
    if (file.endsWith(u'/'))
        QVERIFY(QDir().mkdir(path));
    if (!contents.isNull())
        WriteBytes(path, contents);
    if (locked) {
        if (::geteuid() == 0)
            QSKIP("folder permissions do not hold for root");
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    }
    const QStringList before = Entries(m_dir->path());

    auto wizard = MakeWizard(kDrive, Sample(kDrive, L"Fresh", 24));
    m_name->NameEdit()->setText(u"Typed"_s);
    wizard->SaveSettings();
    const QByteArray record = Encoded(wizard->Record());
    ChooseFile(path);
    emit(save ? wizard->SaveLink() : wizard->LoadLink())->linkActivated(u"file"_s);
    if (locked)
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(m_f->presenter.messages.size(), 1);
    QCOMPARE(m_f->presenter.messages.first().title, u"Error"_s);
    QCOMPARE(m_f->presenter.messages.first().text,
             u"Error: "_s + CSystemMessage::Text(HRESULT_FROM_WIN32(error)));
    QCOMPARE(m_name->NameEdit()->text(), u"Typed"_s);
    QCOMPARE(Encoded(wizard->Record()), record);
    QCOMPARE(Entries(m_dir->path()), before);
    if (save && QFileInfo(folder).isDir() && folder != m_dir->path())
        QCOMPARE(Entries(folder), QStringList());
}

void TestWizardIO::helpTopicOnF1()
{
    auto wizard = MakeWizard(kDrive, Sample(kDrive, L"Fresh", 24));
    QTest::keyClick(wizard.get(), Qt::Key_F1); // no topic: no help
    QVERIFY(m_f->shell.opened.isEmpty());
    wizard->SetHelpTopic(u"Creating_a_Daily_Schedule.htm"_s);
    QTest::keyClick(m_name->NameEdit(), Qt::Key_F1);
    QCOMPARE(m_f->shell.opened.size(), 1);
    QCOMPARE(m_f->shell.opened.first().fileName(), u"Creating_a_Daily_Schedule.htm"_s);
    QCOMPARE(wizard->CurrentIndex(), 0); // F1 neither moves on nor closes
    QCOMPARE(wizard->result(), 0);
}

void TestWizardIO::namePageValidation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("recordName");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("stored"); // empty: refused

    const QString pair = u"Night "_s + QChar(0xD83D) + QChar(0xDE00);
    QTest::newRow("new name, trimmed") << u"  Month end  "_s << u""_s << false << u"Month end"_s;
    QTest::newRow("blank") << u"   "_s << u""_s << false << QString();
    QTest::newRow("drive name taken") << u"Nightly"_s << u""_s << false << QString();
    QTest::newRow("taken with blanks") << u" Nightly "_s << u""_s << false << QString();
    QTest::newRow("Exchange name taken") << u"Mailbox"_s << u""_s << false << QString();
    QTest::newRow("guest name taken") << u"Guests"_s << u""_s << false << QString();
    QTest::newRow("screen saver") << u"Screen Saver Schedule"_s << u""_s << false << QString();
    QTest::newRow("QuietWatch") << u"Full Auto Schedule"_s << u""_s << false << QString();
    QTest::newRow("control character") << u"Night\tly"_s << u""_s << false << QString();
    QTest::newRow("delete character") << u"Night\x7Fly"_s << u""_s << false << QString();
    QTest::newRow("half a pair") << (u"Night"_s + QChar(0xD83D)) << u""_s << false << QString();
    QTest::newRow("whole pair") << pair << u""_s << false << pair;
    QTest::newRow("too long") << QString(257, u'n') << u""_s << false << QString();
    QTest::newRow("longest") << QString(256, u'n') << u""_s << false << QString(256, u'n');
    QTest::newRow("own name while editing") << u"Nightly"_s << u"Nightly"_s << true << u"Nightly"_s;
    QTest::newRow("another's while editing") << u"Mailbox"_s << u"Nightly"_s << true << QString();
    QTest::newRow("own name of a new one") << u"Nightly"_s << u"Nightly"_s << false << QString();
}

void TestWizardIO::namePageValidation()
{
    QFETCH(QString, text);
    QFETCH(QString, recordName);
    QFETCH(bool, editing);
    QFETCH(QString, stored);
    auto wizard = MakeWizard(kDrive, Sample(kDrive, recordName.toStdWString(), 24));
    if (editing)
        wizard->SetEdit();
    m_name->NameEdit()->setText(text);
    QTest::keyClick(m_name->NameEdit(), Qt::Key_Return);
    const bool refused = stored.isEmpty();
    QCOMPARE(m_f->presenter.messages.size(), int(refused));
    if (refused)
        QCOMPARE(m_f->presenter.messages.first().text, u"A unique schedule name is required"_s);
    else
        QCOMPARE(wizard->Progress()->Summary(0), stored);
    QCOMPARE(wizard->result(), refused ? 0 : int(QDialog::Accepted));
    QCOMPARE(QString::fromStdWString(WireName(wizard->Record())), refused ? recordName : stored);
}

// Every kind's schedules are listed, the agent's own included; a reload follows the model.
void TestWizardIO::namePageListsEverySchedule()
{
    auto screen = std::get<0>(Sample(kDrive, CAgentSchedules::kScreenSaverName, 0));
    screen.settings.type = CCadence::kScreenSaver;
    m_cadence->Schedules()[CAgentSchedules::kScreenSaverName] = screen;
    CScheduleNamePage page(*m_cadence);
    QAbstractItemModel* list = page.ExistingList()->model();
    QStringList shown;
    for (int row = 0; row < list->rowCount(); ++row)
        shown.append(list->index(row, page.ExistingList()->modelColumn()).data().toString());
    const auto entry = [](const auto& s) {
        return u"%1 (%2)"_s.arg(s.DisplayName(), s.TypeText());
    };
    QCOMPARE(shown, (QStringList{entry(m_cadence->Schedules().at(L"Nightly")), entry(screen),
                                 entry(m_cadence->ExSchedules().at(L"Mailbox")),
                                 entry(m_cadence->VmSchedules().at(L"Guests"))}));
    m_cadence->ExSchedules().clear();
    page.Schedules()->Reload();
    QCOMPARE(list->rowCount(), 3);
}

// The rename wizard refuses the schedule's own old name (even when the scheduling model does
// not list it) and taken names, and gives the new name once finished.
void TestWizardIO::renameWizard()
{
    CRenameWizard wizard(*m_cadence, Sample(kDrive, L"Old name", 24));
    QCOMPARE(wizard.windowTitle(), u"Rename Schedule Wizard"_s);
    QVERIFY(!wizard.findChild<QLabel*>(u"saveTemplateLink"_s));
    QLineEdit* edit = wizard.NamePage()->NameEdit();
    QCOMPARE(edit->text(), u"Old name"_s);
    wizard.SetEdit(); // even as an edit the old name does not stay
    QTest::keyClick(edit, Qt::Key_Return);
    edit->setText(u"Nightly"_s);
    wizard.FinishButton()->click();
    QCOMPARE(m_f->presenter.messages.size(), 2);
    QCOMPARE(wizard.result(), int(QDialog::Rejected));

    edit->setText(u"  New name "_s);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(wizard.result(), int(QDialog::Accepted));
    QCOMPARE(wizard.NewName(), std::wstring(L"New name"));
}

QTEST_MAIN(TestWizardIO)
#include "tst_WizardIO.moc"
