#include "core/CWideText.h"
#include "settings/CLogViewDlg.h"
#include "settings/CLogViewDlgTableModel.h"
#include "tests/settings/CLogViewTestAgent.h"
#include "tests/support/CScriptedPresenter.h"

#include <QDateEdit>
#include <QFileDialog>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The log viewer over the engine's own agent service: paging, expansion, clearing, saving and
// printing, and entries the viewer must survive.
class TestLogView : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pagesThroughTheRange();
    void multiLineEntriesExpand();
    void clearAsksAndReports();
    void savesThePageWhole();
    void printsToPdf();
    void badEntriesAreShownSafely();

private:
    // A dialog on the rig's agent, its range the rig's day.
    std::unique_ptr<CLogViewDlg> OpenDialog();

    std::unique_ptr<CScriptedPresenter> m_presenter;
    std::unique_ptr<CLogViewTestAgent> m_rig;
};

namespace {

QString Shown(const CLogViewDlg& dialog)
{
    return dialog.ResultLabel()->text();
}

QModelIndex Details(const CLogViewDlg& dialog, int row)
{
    return dialog.Model().index(row, CLogViewDlgTableModel::kDetails);
}

} // namespace

void TestLogView::init()
{
    m_presenter = std::make_unique<CScriptedPresenter>();
    m_rig = std::make_unique<CLogViewTestAgent>();
    QVERIFY(m_rig->Connect());
}

void TestLogView::cleanup()
{
    m_rig.reset();
    m_presenter.reset();
}

std::unique_ptr<CLogViewDlg> TestLogView::OpenDialog()
{
    auto dialog = std::make_unique<CLogViewDlg>();
    dialog->StartDate()->setDate(CLogViewTestAgent::Day());
    dialog->EndDate()->setDate(CLogViewTestAgent::Day());
    dialog->SetAgent(&m_rig->agent);
    return dialog;
}

void TestLogView::pagesThroughTheRange()
{
    // Entries in the log: the label after opening, then after down, down, up, up.
    const QList<std::pair<int, QStringList>> cases{
        {0, {u"No Results"_s, u"No Results"_s, u"No Results"_s, u"No Results"_s}},
        {600,
         {u"1 to 600 of 600 Results"_s, u"1 to 600 of 600 Results"_s, u"1 to 600 of 600 Results"_s,
          u"1 to 600 of 600 Results"_s}},
        {601,
         {u"1 to 600 of 601 Results"_s, u"601 to 601 of 601 Results"_s,
          u"601 to 601 of 601 Results"_s, u"1 to 600 of 601 Results"_s}},
        {1200,
         {u"1 to 600 of 1200 Results"_s, u"601 to 1200 of 1200 Results"_s,
          u"601 to 1200 of 1200 Results"_s, u"1 to 600 of 1200 Results"_s}},
        {1300,
         {u"1 to 600 of 1300 Results"_s, u"601 to 1200 of 1300 Results"_s,
          u"1201 to 1300 of 1300 Results"_s, u"601 to 1200 of 1300 Results"_s}},
    };
    for (const auto& [count, labels] : cases) {
        m_rig->Fill(count);
        const auto dialog = OpenDialog();
        QCOMPARE(Shown(*dialog), count == 0 ? u"No Results"_s : labels[0]);
        dialog->PageUp(); // on the first page: nothing
        QCOMPARE(Shown(*dialog), labels[0]);
        QStringList seen;
        dialog->PageDown();
        seen << Shown(*dialog);
        dialog->PageDown();
        seen << Shown(*dialog);
        dialog->PageUp();
        seen << Shown(*dialog);
        QCOMPARE(seen, labels.mid(1));
        QCOMPARE(dialog->Model().Entries().size(), dialog->Last() - dialog->First() + 1);
        if (count > 0)
            QCOMPARE(dialog->Model().index(0, CLogViewDlgTableModel::kEventId).data().toString(),
                     QString::number(dialog->First()));
    }
    // The range the dates give: the day before holds nothing; the end date is taken to its end.
    m_rig->Fill(3);
    const auto dialog = OpenDialog();
    dialog->StartDate()->setDate(CLogViewTestAgent::Day().addDays(-1));
    dialog->EndDate()->setDate(CLogViewTestAgent::Day().addDays(-1));
    dialog->ReQuery();
    QCOMPARE(Shown(*dialog), u"No Results"_s);
    QVERIFY(qAbs(dialog->RangeEnd() - dialog->RangeStart() - 86399.0 / 86400.0) < 1e-7);

    // A failed query keeps the page shown.
    dialog->EndDate()->setDate(CLogViewTestAgent::Day());
    dialog->ReQuery();
    QCOMPARE(Shown(*dialog), u"1 to 3 of 3 Results"_s);
    m_rig->agent.Disconnect();
    dialog->ReQuery();
    QVERIFY(Shown(*dialog) == u"1 to 3 of 3 Results"_s && dialog->Model().rowCount() == 3);
    QVERIFY(m_presenter->messages.isEmpty());
}

void TestLogView::multiLineEntriesExpand()
{
    m_rig->Add(CEventLog::kInformation, 1, u"one line"_s);
    m_rig->Add(CEventLog::kError, 2, u"  first \r\nsecond\n\n\rthird  "_s);
    m_rig->Add(CEventLog::kWarning, 3, u"last"_s);
    const auto dialog = OpenDialog();
    const CLogViewDlgTableModel& model = dialog->Model();
    QTableView* table = dialog->Table();
    QCOMPARE(Shown(*dialog), u"1 to 3 of 3 Results"_s);
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.AdditionalRows(1), (QList<int>{2, 3}));
    QCOMPARE(Details(*dialog, 1).data().toString() + u'|' + Details(*dialog, 2).data().toString() +
                 u'|' + Details(*dialog, 3).data().toString(),
             u"first|second|third"_s);
    QVERIFY(table->isRowHidden(2) && table->isRowHidden(3) && !table->isRowHidden(4));
    // Only the entry with further rows is decorated; the error entry is highlighted.
    QVERIFY(Details(*dialog, 0).data(Qt::DecorationRole).isNull());
    const QVariant collapsed = Details(*dialog, 1).data(Qt::DecorationRole);
    QVERIFY(!collapsed.isNull());
    QVERIFY(Details(*dialog, 1).data(Qt::ForegroundRole).isValid());
    QVERIFY(!Details(*dialog, 4).data(Qt::ForegroundRole).isValid());

    // A click elsewhere than the details, or on an entry without further rows, does nothing.
    dialog->OnLogViewItemClick(model.index(1, CLogViewDlgTableModel::kModule));
    dialog->OnLogViewItemClick(Details(*dialog, 0));
    QVERIFY(table->isRowHidden(2) && !model.IsExpanded(1));

    // Clicked and activated both toggle.
    emit table->clicked(Details(*dialog, 1));
    QVERIFY(!table->isRowHidden(2) && !table->isRowHidden(3) && model.IsExpanded(1));
    QVERIFY(Details(*dialog, 1).data(Qt::DecorationRole) != collapsed);
    emit table->activated(Details(*dialog, 1));
    QVERIFY(table->isRowHidden(2) && table->isRowHidden(3) && !model.IsExpanded(1));
    // Half shown counts as hidden: the click shows them all.
    table->setRowHidden(3, false);
    dialog->OnLogViewItemClick(Details(*dialog, 1));
    QVERIFY(!table->isRowHidden(2) && model.IsExpanded(1));
    // A reload starts collapsed again.
    dialog->ReQuery();
    QVERIFY(table->isRowHidden(2) && !model.IsExpanded(1));
}

void TestLogView::clearAsksAndReports()
{
    m_rig->Fill(5);
    const auto dialog = OpenDialog();
    m_presenter->messageAnswers << CScriptedPresenter::Answer(QMessageBox::No);
    dialog->ClearLog();
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages[0].title, u"Clear Log?"_s);
    QCOMPARE(m_presenter->messages[0].text, u"Are you sure you want to clear the log?"_s);
    QCOMPARE(m_presenter->messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(m_rig->log->Count() == 5 && Shown(*dialog) == u"1 to 5 of 5 Results"_s);

    m_presenter->messageAnswers << CScriptedPresenter::Answer(QMessageBox::Yes);
    dialog->ClearLog();
    QCOMPARE(m_presenter->messages.size(), 2);
    QVERIFY(m_rig->log->Count() == 0 && Shown(*dialog) == u"No Results"_s);

    // The engine cannot write its log: the failure is told, the page stays.
    m_rig->Fill(2);
    dialog->ReQuery();
    QVERIFY(QDir(m_rig->LogFolder()).removeRecursively());
    m_presenter->messageAnswers << CScriptedPresenter::Answer(QMessageBox::Yes);
    dialog->ClearLog();
    QCOMPARE(m_presenter->messages.size(), 4);
    QCOMPARE(m_presenter->messages[3].title, u"Log Error"_s);
    QCOMPARE(m_presenter->messages[3].text, u"An error occured while trying to clear the log."_s);
    QCOMPARE(Shown(*dialog), u"1 to 2 of 2 Results"_s);
}

void TestLogView::savesThePageWhole()
{
    m_rig->Add(CEventLog::kInformation, 7, u"started"_s);
    m_rig->Add(CEventLog::kError, 8, u"failed\non volume C"_s);
    const auto dialog = OpenDialog();
    QTemporaryDir folder;
    const QString date0 = dialog->Model().index(0, 0).data().toString();
    const QString date1 = dialog->Model().index(1, 0).data().toString();

    // Through the dialog: ".log" appended to the name chosen.
    m_presenter->dialogScripts << [&](QDialog& shown) {
        auto& files = static_cast<QFileDialog&>(shown);
        if (files.acceptMode() != QFileDialog::AcceptSave ||
            files.nameFilters() != QStringList{u"Text Files (*.log)"_s})
            return int(QDialog::Rejected);
        files.selectFile(folder.filePath(u"saved"_s));
        return int(QDialog::Accepted);
    };
    dialog->SaveLog();
    QCOMPARE(m_presenter->dialogTitles, QStringList{u"Save as..."_s});
    QFile saved(folder.filePath(u"saved.log"_s));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()),
             date0 + u"\tKVEngine\t7\tstarted\r\n\r\n"_s + date1 +
                 u"\tKVEngine\t8\tfailed\r\n\r\n\t\t\ton volume C"_s);
    QVERIFY(dialog->SaveTo(folder.filePath(u"kept.LOG"_s)));
    QVERIFY(QFile::exists(folder.filePath(u"kept.LOG"_s)));

    // A failed save tells so and leaves nothing behind.
    QVERIFY(QDir(folder.path()).mkdir(u"taken.log"_s));
    QVERIFY(!dialog->SaveTo(folder.filePath(u"taken"_s)));
    QVERIFY(!dialog->SaveTo(folder.filePath(u"missing/saved.log"_s)));
    QCOMPARE(m_presenter->messages.size(), 2);
    QCOMPARE(m_presenter->messages[1].title, u"File Error"_s);
    QCOMPARE(m_presenter->messages[1].text, u"An error occured saving the log file."_s);
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{u"kept.LOG"_s, u"saved.log"_s, u"taken.log"_s}));
    QVERIFY(QDir(folder.filePath(u"taken.log"_s)).isEmpty());
}

void TestLogView::printsToPdf()
{
    m_rig->Add(CEventLog::kError, 8, u"failed <here> & there\nsecond line"_s);
    const auto dialog = OpenDialog();
    const QString html = dialog->Model().PrintedHtml();
    QVERIFY(html.startsWith(u"<html>\n<head></head>\n<body>\n"_s));
    QVERIFY(html.endsWith(u"</body>\n</html>\n"_s));
    QVERIFY(html.contains(u">LogView<"_s));
    QVERIFY(html.contains(u"<p><b>"_s) && html.contains(u"<b>KVEngine</b>"_s));
    QVERIFY(html.contains(u"failed &lt;here&gt; &amp; there<br>second line"_s));

    // Through the print dialog, onto a PDF file.
    QVERIFY(CLogViewDlg::CanPrint());
    QTemporaryDir folder;
    const QString pdf = folder.filePath(u"log.pdf"_s);
    m_presenter->dialogScripts << [&](QDialog& shown) {
        QPrinter* printer = static_cast<QPrintDialog&>(shown).printer();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return int(QDialog::Accepted);
    };
    dialog->PrintLog();
    QCOMPARE(m_presenter->dialogTitles.size(), 1);
    QFile printed(pdf);
    QVERIFY(printed.open(QIODevice::ReadOnly));
    const QByteArray bytes = printed.readAll();
    QVERIFY(bytes.startsWith("%PDF") && bytes.size() > 1000);
    // Cancelled: nothing printed.
    QFile::remove(pdf);
    dialog->PrintLog();
    QVERIFY(!QFile::exists(pdf) && m_presenter->messages.isEmpty());
}

void TestLogView::badEntriesAreShownSafely()
{
    const QString huge = QString(1024 * 1024, u'x');
    QStringList manyLines;
    for (int i = 1; i <= 500; ++i)
        manyLines << u"line %1"_s.arg(i);
    m_rig->Add(77, -5, QString());
    m_rig->Add(CEventLog::kWarning, 2, huge);
    m_rig->Add(CEventLog::kWarning, 3, manyLines.join(u'\n'));
    const auto dialog = OpenDialog();
    const CLogViewDlgTableModel& model = dialog->Model();
    QCOMPARE(Shown(*dialog), u"1 to 3 of 3 Results"_s);
    // Unknown type and empty message: one plain row.
    QVERIFY(Details(*dialog, 0).data().toString().isEmpty() &&
            !Details(*dialog, 0).data(Qt::ForegroundRole).isValid());
    QCOMPARE(model.index(0, CLogViewDlgTableModel::kEventId).data().toString(), u"-5"_s);
    // The engine kept the huge message cut with its mark; the table shows less, marked too.
    const TString stored = model.Entries()[1].message;
    QCOMPARE(CWideText::ToQString(stored),
             huge.left(CEventLog::kMaxMessageLength) +
                 u" [%1 more characters cut]"_s.arg(huge.size() - CEventLog::kMaxMessageLength));
    const QString cell = Details(*dialog, 1).data().toString();
    QVERIFY(cell.size() < 1100);
    QVERIFY(cell.endsWith(u" ... (%1 more characters)"_s.arg(stored.size() - 1000)));
    // Many lines: a bounded number of rows, the last one counting the rest; saved whole.
    const QList<int> further = model.AdditionalRows(2);
    QCOMPARE(further.size(), CLogViewDlgTableModel::kMaxAdditionalRows);
    QCOMPARE(Details(*dialog, further.last()).data().toString(), u"... (400 more lines)"_s);
    QCOMPARE(Details(*dialog, further.first()).data().toString(), u"line 2"_s);
    const QString saved = model.SavedText();
    QVERIFY(saved.contains(CWideText::ToQString(stored)) && saved.endsWith(u"\t\t\tline 500"_s));

    // Dates no calendar holds, straight into the table.
    CLogViewDlgTableModel alone;
    CStatisticsHistory::CLogPoint point;
    point.logTime = CDateTime(1e12);
    point.message = L"far";
    CStatisticsHistory::CLogPoint invalid = point;
    invalid.logTime = CDateTime(45000.5, CDateTime::StatusInvalid);
    alone.SetEntries({point, invalid});
    QCOMPARE(alone.index(0, 0).data().toString(), u"1000000000000"_s);
    QCOMPARE(alone.index(1, 0).data().toString(), u"45000.5"_s);

    // Long entries: the engine answers fewer than a page, and paging goes on from there.
    m_rig->Fill(0);
    for (int i = 1; i <= 200; ++i)
        m_rig->Add(CEventLog::kInformation, i, QString(CEventLog::kMaxMessageLength, u'y'));
    dialog->ReQuery();
    const int last = dialog->Last();
    QVERIFY2(last > 1 && last < 200, qPrintable(Shown(*dialog)));
    dialog->PageDown();
    QCOMPARE(dialog->First(), last + 1);
    QVERIFY(dialog->Last() > last);
    QCOMPARE(model.index(0, CLogViewDlgTableModel::kEventId).data().toString(),
             QString::number(last + 1));
}

QTEST_MAIN(TestLogView)
#include "tst_LogView.moc"
