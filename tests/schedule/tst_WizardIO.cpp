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
#include <QSpinBox>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A page over the interval of the settings.
class CIntervalPage : public CWirePageBase {
public:
    CIntervalPage()
        : CWirePageBase("CIntervalPage")
        , spin(new QSpinBox(this))
    {
        spin->setRange(0, 100000);
        (new QVBoxLayout(this))->addWidget(spin);
    }
    QString Title() const override { return u"Interval"_s; }
    QString Summary() const override { return QString::number(spin->value()); }
    void Load(const TWireRecord& record) override
    {
        spin->setValue(int(WireSettings(record).interval));
    }
    void Store(TWireRecord* record) const override
    {
        WireSettings(*record).interval = quint32(spin->value());
    }
    QString Validate() const override { return QString(); }

    QSpinBox* spin;
};

// A record of any kind with a start (and next run) that a template keeps as it is.
template <class T>
T Timed(const TName& name, quint32 type, quint32 interval)
{
    T record;
    record.name = name;
    record.settings.type = type;
    record.settings.start = 47000.25 + type;
    record.settings.nextRun = record.settings.start;
    record.settings.interval = interval;
    return record;
}

CCadence::CScheduleData Drive(const TName& name, quint32 interval)
{
    auto record = Timed<CCadence::CScheduleData>(name, CCadence::kDaily, interval);
    record.drives = {L"vol-1", L"vol-2"};
    return record;
}

CCadence::CExScheduleData Exchange(const TName& name, quint32 interval)
{
    auto record = Timed<CCadence::CExScheduleData>(name, CCadence::kWeekly, interval);
    record.dataStores = {{L"First Storage Group", L"Mailbox Database"}};
    return record;
}

CCadence::CVmScheduleData Guest(const TName& name, quint32 interval)
{
    auto record = Timed<CCadence::CVmScheduleData>(name, CCadence::kOneTime, interval);
    record.guests = {{L"guest.vmx", {1, 0, 1, 0}, 1}};
    return record;
}

// The bytes a record is saved as: records compare by them.
QByteArray Encoded(const TWireRecord& record)
{
    return std::visit(
        [](const auto& schedule) {
            return CScheduleDataFileIO<std::decay_t<decltype(schedule)>>::Encode(schedule);
        },
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

QString ErrorText(DWORD code)
{
    return u"Error: "_s + CSystemMessage::Text(HRESULT_FROM_WIN32(code));
}

enum TKind { kDrive, kExchange, kGuest };

} // namespace

Q_DECLARE_METATYPE(TKind)

// The template links of the wizards (files chosen through the file dialog, the remembered
// folder, bad and failing files), the name page's refusals and the rename wizard.
class TestWizardIO : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void templateRoundTrip_data();
    void templateRoundTrip();
    void cancelledDialogDoesNothing();
    void foreignKindLoadsAsWizardKind();
    void badTemplateChangesNothing_data();
    void badTemplateChangesNothing();
    void failedSaveLeavesNoFile_data();
    void failedSaveLeavesNoFile();
    void saveReplacesLongerFile();
    void helpTopicOnF1();

    void namePageValidation_data();
    void namePageValidation();
    void namePageListsEverySchedule();
    void renameWizard();

private:
    // A wizard of the kind over a name page and an interval page.
    std::unique_ptr<CWireWizardWithIO> MakeWizard(TKind kind, TWireRecord record);
    // The next file dialog chooses the path; what it showed is kept.
    void ChooseFile(const QString& path);
    QString Remembered(const QString& key);

    std::unique_ptr<CAppFixture> m_f;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CCadence> m_cadence;
    CScheduleNamePage* m_name = nullptr;
    CIntervalPage* m_interval = nullptr;
    QStringList m_dialogDirectories;
    QStringList m_dialogFilters;
};

void TestWizardIO::initTestCase()
{
    m_f = std::make_unique<CAppFixture>();
}

void TestWizardIO::init()
{
    m_dir = std::make_unique<QTemporaryDir>(m_f->environment.Root() + u"/files-XXXXXX"_s);
    QVERIFY(m_dir->isValid());
    m_cadence = std::make_unique<CCadence>();
    m_cadence->Schedules()[L"Nightly"] = Drive(L"Nightly", 24);
    m_cadence->ExSchedules()[L"Mailbox"] = Exchange(L"Mailbox", 168);
    m_cadence->VmSchedules()[L"Guests"] = Guest(L"Guests", 0);
    m_f->presenter.messages.clear();
    m_f->presenter.dialogTitles.clear();
    m_f->presenter.dialogScripts.clear();
    m_f->shell.opened.clear();
    m_dialogDirectories.clear();
    m_dialogFilters.clear();
    m_f->app->Settings().remove(u"Directories"_s);
}

void TestWizardIO::cleanup()
{
    m_cadence.reset();
    m_dir.reset();
}

void TestWizardIO::cleanupTestCase()
{
    m_f.reset();
}

std::unique_ptr<CWireWizardWithIO> TestWizardIO::MakeWizard(TKind kind, TWireRecord record)
{
    std::unique_ptr<CWireWizardWithIO> wizard;
    switch (kind) {
    case kDrive:
        wizard = std::make_unique<CWireWizardWithIO>(CWireWizardBase::kDaily, std::move(record),
                                                     "TestWizard");
        break;
    case kExchange:
        wizard = std::make_unique<CWireWizardExWithIO>(CWireWizardBase::kExchangeWeekly,
                                                       std::move(record), "TestWizard");
        break;
    case kGuest:
        wizard = std::make_unique<CWireWizardVmWithIO>(CWireWizardBase::kGuestOneTime,
                                                       std::move(record), "TestWizard");
        break;
    }
    m_name = new CScheduleNamePage(*m_cadence);
    m_interval = new CIntervalPage;
    wizard->AddPage(m_name);
    wizard->AddPage(m_interval);
    return wizard;
}

void TestWizardIO::ChooseFile(const QString& path)
{
    m_f->presenter.dialogScripts.append([this, path](QDialog& dialog) {
        auto& files = static_cast<QFileDialog&>(dialog);
        m_dialogDirectories.append(files.directory().absolutePath());
        m_dialogFilters.append(files.nameFilters().join(u';'));
        files.selectFile(path);
        return int(QDialog::Accepted);
    });
}

QString TestWizardIO::Remembered(const QString& key)
{
    CSettings& settings = m_f->app->Settings();
    settings.beginGroup(u"Directories"_s);
    const QString folder = settings.value(key).toString();
    settings.endGroup();
    return folder;
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

// Saving collects the pages' choices as they stand; loading puts every page back, the name and
// its marker included; both dialogs start in the folder last used for this kind.
void TestWizardIO::templateRoundTrip()
{
    QFETCH(TKind, kind);
    QFETCH(QString, filter);
    QFETCH(QString, key);
    QFETCH(QString, suffix);
    const TWireRecord start = kind == kDrive      ? TWireRecord(Drive(L"", 24))
                              : kind == kExchange ? TWireRecord(Exchange(L"", 168))
                                                  : TWireRecord(Guest(L"", 0));
    auto wizard = MakeWizard(kind, start);
    m_name->NameEdit()->setText(u"Weekend"_s);
    m_interval->spin->setValue(336);
    const QString folder = m_dir->filePath(u"templates"_s);
    QVERIFY(QDir().mkpath(folder));
    // A name typed without a suffix gets the kind's.
    const QString path = folder + u"/weekend"_s + suffix;

    ChooseFile(folder + u"/weekend"_s);
    emit wizard->SaveLink()->linkActivated(u"save"_s);
    QCOMPARE(m_f->presenter.dialogTitles, QStringList{u"Save File"_s});
    QCOMPARE(m_f->presenter.messages.size(), 0);
    QCOMPARE(m_dialogFilters, QStringList{filter});
    QCOMPARE(Remembered(key), QDir::toNativeSeparators(folder));
    TWireRecord expected = start;
    WireName(expected) = L"Weekend";
    WireSettings(expected).interval = 336;
    QCOMPARE(FileBytes(path), Encoded(expected));

    // Change every page, then load the template back over them.
    m_name->NameEdit()->setText(u"Other"_s);
    m_interval->spin->setValue(12);
    wizard->SaveSettings();
    ChooseFile(path);
    emit wizard->LoadLink()->linkActivated(u"load"_s);
    QCOMPARE(m_f->presenter.dialogTitles, (QStringList{u"Save File"_s, u"Open File"_s}));
    QCOMPARE(m_f->presenter.messages.size(), 0);
    QCOMPARE(m_dialogDirectories.last(), QDir(folder).absolutePath());
    QCOMPARE(m_name->NameEdit()->text(), u"Weekend"_s);
    QCOMPARE(m_interval->spin->value(), 336);
    QCOMPARE(wizard->Progress()->Summary(0), u"Weekend"_s);
    QCOMPARE(Encoded(wizard->Record()), Encoded(expected));
}

void TestWizardIO::cancelledDialogDoesNothing()
{
    auto wizard = MakeWizard(kDrive, Drive(L"Fresh", 24));
    m_f->presenter.dialogScripts.append([](QDialog&) { return int(QDialog::Rejected); });
    emit wizard->SaveLink()->linkActivated(u"save"_s);
    emit wizard->LoadLink()->linkActivated(u"load"_s); // no script left: rejected too
    QCOMPARE(m_f->presenter.dialogTitles.size(), 2);
    QVERIFY(m_f->presenter.messages.isEmpty());
    QVERIFY(Remembered(u"Schedules"_s).isEmpty());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    QCOMPARE(m_name->NameEdit()->text(), u"Fresh"_s);
}

// A template of another kind passes the tag test and is read as the wizard's own kind; what
// the file does not hold keeps the wizard's values.
void TestWizardIO::foreignKindLoadsAsWizardKind()
{
    const QString path = m_dir->filePath(u"mail.kxt"_s);
    QCOMPARE(CScheduleDataFileIO<CCadence::CExScheduleData>().Write(path, Exchange(L"Mail", 504)),
             DWORD(ERROR_SUCCESS));
    CCadence::CScheduleData start = Drive(L"Fresh", 24);
    const CScheduleSettings::TExclusionWindows windows{{47000.5, 2, 7}};
    start.settings.exclusionWindows = windows;
    auto wizard = MakeWizard(kDrive, start);
    QVERIFY(wizard->LoadFromFile(path));
    QVERIFY(m_f->presenter.messages.isEmpty());
    const auto* drive = std::get_if<CCadence::CScheduleData>(&wizard->Record());
    QVERIFY(drive);
    QCOMPARE(drive->name, std::wstring(L"Mail"));
    QCOMPARE(drive->settings.interval, 504u);
    QCOMPARE(drive->settings.type, quint32(CCadence::kWeekly));
    QVERIFY(drive->settings.exclusionWindows == windows);
    QCOMPARE(m_name->NameEdit()->text(), u"Mail"_s);
    QCOMPARE(m_interval->spin->value(), 504);
}

void TestWizardIO::badTemplateChangesNothing_data()
{
    const QByteArray valid =
        CScheduleDataFileIO<CCadence::CScheduleData>::Encode(Drive(L"Truncated", 48));
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<DWORD>("error");
    QTest::newRow("not a template")
        << u"notes.kvt"_s << QByteArray("plain text, not a schedule") << DWORD(ERROR_FILE_CORRUPT);
    QTest::newRow("truncated") << u"short.kvt"_s << valid.first(valid.size() - 9)
                               << DWORD(ERROR_FILE_CORRUPT);
    QTest::newRow("empty") << u"empty.kvt"_s << QByteArray() << DWORD(ERROR_FILE_CORRUPT);
    QTest::newRow("missing") << u"missing.kvt"_s << QByteArray() << DWORD(ERROR_FILE_NOT_FOUND);
    QTest::newRow("folder") << u"folder.kvt"_s << QByteArray() << DWORD(ERROR_ACCESS_DENIED);
}

void TestWizardIO::badTemplateChangesNothing()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, contents);
    QFETCH(DWORD, error);
    const QString path = m_dir->filePath(file);
    if (error == ERROR_ACCESS_DENIED)
        QVERIFY(QDir().mkdir(path));
    else if (error != ERROR_FILE_NOT_FOUND)
        WriteBytes(path, contents);

    auto wizard = MakeWizard(kDrive, Drive(L"Fresh", 24));
    m_name->NameEdit()->setText(u"Typed"_s);
    m_interval->spin->setValue(72);
    const QByteArray before = Encoded(wizard->Record());
    ChooseFile(path);
    emit wizard->LoadLink()->linkActivated(u"load"_s);

    QCOMPARE(m_f->presenter.messages.size(), 1);
    QCOMPARE(m_f->presenter.messages.first().title, u"Error"_s);
    QCOMPARE(m_f->presenter.messages.first().text, ErrorText(error));
    QCOMPARE(m_name->NameEdit()->text(), u"Typed"_s);
    QCOMPARE(m_interval->spin->value(), 72);
    QCOMPARE(Encoded(wizard->Record()), before);
}

void TestWizardIO::failedSaveLeavesNoFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<DWORD>("error");
    QTest::newRow("target is a folder") << u"taken.kvt"_s << DWORD(ERROR_ACCESS_DENIED);
    QTest::newRow("missing folder") << u"gone/new.kvt"_s << DWORD(ERROR_PATH_NOT_FOUND);
    QTest::newRow("read-only folder") << u"locked/new.kvt"_s << DWORD(ERROR_ACCESS_DENIED);
}

void TestWizardIO::failedSaveLeavesNoFile()
{
    QFETCH(QString, target);
    QFETCH(DWORD, error);
    const QString path = m_dir->filePath(target);
    const QString folder = QFileInfo(path).absolutePath();
    if (target.startsWith(u"taken"_s))
        QVERIFY(QDir().mkdir(path));
    if (target.startsWith(u"locked"_s)) {
        if (::geteuid() == 0)
            QSKIP("folder permissions do not hold for root");
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    }
    const QStringList before =
        QDir(m_dir->path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);

    auto wizard = MakeWizard(kDrive, Drive(L"Fresh", 24));
    QVERIFY(!wizard->SaveToFile(path));
    QCOMPARE(m_f->presenter.messages.size(), 1);
    QCOMPARE(m_f->presenter.messages.first().title, u"Error"_s);
    QCOMPARE(m_f->presenter.messages.first().text, ErrorText(error));
    QCOMPARE(QDir(m_dir->path())
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
             before);
    if (QFileInfo(folder).isDir() && folder != m_dir->path())
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    QVERIFY(!QFileInfo(path).isFile());
    if (target.startsWith(u"locked"_s))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A template saved over a longer file is exactly the new one, and nothing else is left in the
// folder.
void TestWizardIO::saveReplacesLongerFile()
{
    const QString path = m_dir->filePath(u"old.kvt"_s);
    WriteBytes(path, QByteArray(4096, 'x'));
    auto wizard = MakeWizard(kDrive, Drive(L"Short", 1));
    QVERIFY(wizard->SaveToFile(path));
    QCOMPARE(FileBytes(path), Encoded(Drive(L"Short", 1)));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{u"old.kvt"_s});
}

void TestWizardIO::helpTopicOnF1()
{
    auto wizard = MakeWizard(kDrive, Drive(L"Fresh", 24));
    QTest::keyClick(wizard.get(), Qt::Key_F1); // no topic: no help
    QVERIFY(m_f->shell.opened.isEmpty());
    wizard->SetHelpTopic(u"Creating_a_Daily_Schedule.htm"_s);
    QTest::keyClick(m_name->NameEdit(), Qt::Key_F1);
    QCOMPARE(m_f->shell.opened.size(), 1);
    QCOMPARE(QFileInfo(m_f->shell.opened.first().toLocalFile()).fileName(),
             u"Creating_a_Daily_Schedule.htm"_s);
    // F1 neither moves on nor closes.
    QCOMPARE(wizard->CurrentIndex(), 0);
    QCOMPARE(wizard->result(), 0);
}

void TestWizardIO::namePageValidation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("recordName");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("stored");

    QTest::newRow("new name, trimmed")
        << u"  Month end  "_s << u""_s << false << true << u"Month end"_s;
    QTest::newRow("blank") << u"   "_s << u""_s << false << false << QString();
    QTest::newRow("drive name taken") << u"Nightly"_s << u""_s << false << false << QString();
    QTest::newRow("taken with blanks") << u" Nightly "_s << u""_s << false << false << QString();
    QTest::newRow("Exchange name taken") << u"Mailbox"_s << u""_s << false << false << QString();
    QTest::newRow("guest name taken") << u"Guests"_s << u""_s << false << false << QString();
    QTest::newRow("screen saver") << u"Screen Saver Schedule"_s << u""_s << false << false
                                  << QString();
    QTest::newRow("QuietWatch") << u"Full Auto Schedule"_s << u""_s << false << false << QString();
    QTest::newRow("control character") << u"Night\tly"_s << u""_s << false << false << QString();
    QTest::newRow("delete character") << u"Night\x7Fly"_s << u""_s << false << false << QString();
    QTest::newRow("half a surrogate pair")
        << (u"Night"_s + QChar(0xD83D)) << u""_s << false << false << QString();
    QTest::newRow("whole surrogate pair")
        << (u"Night "_s + QChar(0xD83D) + QChar(0xDE00)) << u""_s << false << true
        << (u"Night "_s + QChar(0xD83D) + QChar(0xDE00));
    QTest::newRow("too long") << QString(257, u'n') << u""_s << false << false << QString();
    QTest::newRow("longest") << QString(256, u'n') << u""_s << false << true << QString(256, u'n');
    QTest::newRow("own name while editing")
        << u"Nightly"_s << u"Nightly"_s << true << true << u"Nightly"_s;
    QTest::newRow("another's name while editing")
        << u"Mailbox"_s << u"Nightly"_s << true << false << QString();
    QTest::newRow("own name of a new schedule")
        << u"Nightly"_s << u"Nightly"_s << false << false << QString();
}

void TestWizardIO::namePageValidation()
{
    QFETCH(QString, text);
    QFETCH(QString, recordName);
    QFETCH(bool, editing);
    QFETCH(bool, accepted);
    QFETCH(QString, stored);

    auto wizard = MakeWizard(kDrive, Drive(recordName.toStdWString(), 24));
    if (editing)
        wizard->SetEdit();
    QCOMPARE(wizard->CurrentPage(), m_name);
    m_name->NameEdit()->setText(text);
    QTest::keyClick(m_name->NameEdit(), Qt::Key_Return);
    if (accepted) {
        QVERIFY(m_f->presenter.messages.isEmpty());
        QCOMPARE(wizard->CurrentIndex(), 1);
        QCOMPARE(QString::fromStdWString(WireName(wizard->Record())), stored);
        QCOMPARE(wizard->Progress()->Summary(0), stored);
    } else {
        QCOMPARE(m_f->presenter.messages.size(), 1);
        QCOMPARE(m_f->presenter.messages.first().text, u"A unique schedule name is required"_s);
        QCOMPARE(wizard->CurrentIndex(), 0);
        QCOMPARE(QString::fromStdWString(WireName(wizard->Record())), recordName);
    }
}

void TestWizardIO::namePageListsEverySchedule()
{
    m_cadence->Schedules()[CAgentSchedules::kScreenSaverName] = [] {
        CCadence::CScheduleData screen = Drive(CAgentSchedules::kScreenSaverName, 0);
        screen.settings.type = CCadence::kScreenSaver;
        return screen;
    }();
    CScheduleNamePage page(*m_cadence);
    QAbstractItemModel* list = page.ExistingList()->model();
    QStringList shown;
    for (int row = 0; row < list->rowCount(); ++row)
        shown.append(list->index(row, page.ExistingList()->modelColumn()).data().toString());
    const auto entry = [](const auto& schedule) {
        return u"%1 (%2)"_s.arg(schedule.DisplayName(), schedule.TypeText());
    };
    QCOMPARE(shown,
             (QStringList{entry(m_cadence->Schedules().at(L"Nightly")),
                          entry(m_cadence->Schedules().at(CAgentSchedules::kScreenSaverName)),
                          entry(m_cadence->ExSchedules().at(L"Mailbox")),
                          entry(m_cadence->VmSchedules().at(L"Guests"))}));
    QVERIFY(shown.first().startsWith(u"Nightly ("_s));

    // The table itself: the owner column, and a reload after the model changed.
    CCadenceWizardTableModel* table = page.Schedules();
    QCOMPARE(table->columnCount(), 3);
    QCOMPARE(table->index(0, CCadenceWizardTableModel::kOwnerColumn).data().toString(),
             m_cadence->Schedules().at(L"Nightly").SourceText());
    m_cadence->ExSchedules().clear();
    QVERIFY(table->Contains(L"Mailbox"));
    table->Reload();
    QVERIFY(!table->Contains(L"Mailbox"));
    QCOMPARE(list->rowCount(), 3);
}

// The rename wizard refuses the schedule's own old name (even when the scheduling model does
// not list it) and taken names, and gives the new name once finished.
void TestWizardIO::renameWizard()
{
    CRenameWizard wizard(*m_cadence, Drive(L"Old name", 24));
    QCOMPARE(wizard.windowTitle(), u"Rename Schedule Wizard"_s);
    QCOMPARE(wizard.Header(), u"Rename Schedule"_s);
    QCOMPARE(wizard.PageCount(), 1);
    QVERIFY(!wizard.findChild<QLabel*>(u"saveTemplateLink"_s));
    QVERIFY(!wizard.findChild<QLabel*>(u"loadTemplateLink"_s));
    QLineEdit* edit = wizard.NamePage()->NameEdit();
    QCOMPARE(edit->text(), u"Old name"_s);

    wizard.SetEdit(); // even as an edit the old name does not stay
    QTest::keyClick(edit, Qt::Key_Return);
    edit->setText(u"Nightly"_s);
    wizard.FinishButton()->click();
    QCOMPARE(m_f->presenter.messages.size(), 2);
    QCOMPARE(wizard.result(), int(QDialog::Rejected));

    QSignalSpy finished(&wizard, &CWireWizardBase::Finish);
    edit->setText(u"  New name "_s);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(wizard.result(), int(QDialog::Accepted));
    QCOMPARE(wizard.NewName(), std::wstring(L"New name"));
    QCOMPARE(m_f->presenter.messages.size(), 2);
}

QTEST_MAIN(TestWizardIO)
#include "tst_WizardIO.moc"
