#include "settings/CLogViewDlg.h"

#include "appmodel/IMessagePresenter.h"
#include "core/COleDate.h"
#include "core/CRegularFile.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CStatisticsHistory.h"
#include "settings/CLogViewDlgTableModel.h"

#include <QApplication>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTableView>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The first range shown: the last month.
constexpr int kLogViewDlgFirstRangeDays = 30;

// The wait cursor while the agent answers, restored however the load ends.
class CLogViewDlgWaitCursor {
public:
    CLogViewDlgWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CLogViewDlgWaitCursor() { QApplication::restoreOverrideCursor(); }
    CLogViewDlgWaitCursor(const CLogViewDlgWaitCursor&) = delete;
    CLogViewDlgWaitCursor& operator=(const CLogViewDlgWaitCursor&) = delete;
};

} // namespace

CLogViewDlg::CLogViewDlg(QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CLogViewDlg")
    , m_model(new CLogViewDlgTableModel(this))
    , m_table(new QTableView(this))
    , m_startDate(new QDateEdit(this))
    , m_endDate(new QDateEdit(this))
    , m_result(new QLabel(this))
    , m_pageUp(new QToolButton(this))
    , m_pageDown(new QToolButton(this))
{
    setWindowTitle(Translate("Log Window").Text());
    setObjectName(u"LogViewDialog"_s);
    resize(900, 600);

    auto* caption = new QLabel(Translate("Log View").Text(), this);
    caption->setObjectName(u"caption"_s);
    QFont captionFont = caption->font();
    captionFont.setBold(true);
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.3);
    caption->setFont(captionFont);

    const QDate today = QDate::currentDate();
    for (QDateEdit* edit : {m_startDate, m_endDate}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QLocale::system().dateFormat(QLocale::ShortFormat));
        // The dates an OLE date can hold.
        edit->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    }
    m_startDate->setDate(today.addDays(-kLogViewDlgFirstRangeDays));
    m_endDate->setDate(today);
    auto* refresh = new QPushButton(Translate("Refresh").Text(), this);

    m_table->setObjectName(u"Log View Table"_s);
    m_table->setAccessibleName(Translate("Log View Table").Text());
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideRight);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(CLogViewDlgTableModel::kDate, 150);
    m_table->setColumnWidth(CLogViewDlgTableModel::kModule, 110);
    m_table->setColumnWidth(CLogViewDlgTableModel::kEventId, 70);

    m_pageUp->setArrowType(Qt::LeftArrow);
    m_pageUp->setToolTip(Translate("Previous Page").Text());
    m_pageDown->setArrowType(Qt::RightArrow);
    m_pageDown->setToolTip(Translate("Next Page").Text());
    m_result->setText(Translate("No Results").Text());
    m_result->setAlignment(Qt::AlignCenter);

    auto* save = new QPushButton(Translate("Save As").Text(), this);
    auto* print = new QPushButton(Translate("Print").Text(), this);
    auto* clear = new QPushButton(Translate("Clear").Text(), this);
    auto* close = new QPushButton(Translate("Close").Text(), this);
    for (QPushButton* button : {refresh, save, print, clear, close})
        button->setAutoDefault(false);

    auto* range = new QHBoxLayout;
    range->addWidget(new QLabel(Translate("From:").Text(), this));
    range->addWidget(m_startDate);
    range->addWidget(m_endDate);
    range->addWidget(refresh);
    range->addStretch(1);
    auto* paging = new QHBoxLayout;
    paging->addWidget(m_pageUp);
    paging->addWidget(m_result, 1);
    paging->addWidget(m_pageDown);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(print);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addLayout(range);
    layout->addWidget(m_table, 1);
    layout->addLayout(paging);
    layout->addLayout(buttons);

    connect(refresh, &QPushButton::clicked, this, &CLogViewDlg::ReQuery);
    connect(m_pageUp, &QToolButton::clicked, this, &CLogViewDlg::PageUp);
    connect(m_pageDown, &QToolButton::clicked, this, &CLogViewDlg::PageDown);
    connect(save, &QPushButton::clicked, this, &CLogViewDlg::SaveLog);
    connect(print, &QPushButton::clicked, this, &CLogViewDlg::PrintLog);
    connect(clear, &QPushButton::clicked, this, &CLogViewDlg::ClearLog);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_table, &QTableView::clicked, this, &CLogViewDlg::OnLogViewItemClick);
    connect(m_table, &QTableView::activated, this, &CLogViewDlg::OnLogViewItemClick);
}

CLogViewDlg::~CLogViewDlg() = default;

void CLogViewDlg::Open(CKV100AgentInterface& agent, QWidget* parent)
{
    CLogViewDlg dialog(parent);
    dialog.SetAgent(&agent);
    IMessagePresenter::Instance().RunDialog(dialog);
}

void CLogViewDlg::SetAgent(CKV100AgentInterface* agent)
{
    m_agent = agent;
    ReQuery();
}

double CLogViewDlg::RangeStart() const
{
    return COleDate::FromDateTime(QDateTime(m_startDate->date(), QTime(0, 0, 0)));
}

double CLogViewDlg::RangeEnd() const
{
    return COleDate::FromDateTime(QDateTime(m_endDate->date(), QTime(23, 59, 59)));
}

void CLogViewDlg::ReQuery()
{
    m_first = 1;
    m_last = 0;
    m_total = 0;
    ReLoadInfo();
}

void CLogViewDlg::ReLoadInfo()
{
    const CLogViewDlgWaitCursor wait;
    QList<CStatisticsHistory::CLogPoint> entries;
    int total = 0;
    if (FAILED(CStatisticsHistory::ReadLogPoints(m_agent, RangeStart(), RangeEnd(), m_first - 1,
                                                 kPageSize, &entries, &total)))
        return;
    m_total = total;
    m_last = m_first - 1;
    m_model->SetEntries(std::move(entries));
    FitRowsToContents();
    for (int entry = 0; entry < m_model->Entries().size(); ++entry)
        ++m_last;
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (!m_model->IsEntryRow(row))
            m_table->setRowHidden(row, true);
    m_result->setText(
        m_first <= m_last
            ? Translate("%1 to %2 of %3 Results").Arg(m_first).Arg(m_last).Arg(m_total).Text()
            : Translate("No Results").Text());
}

void CLogViewDlg::FitRowsToContents()
{
    // Every row holds one line of text (no word wrap), so the height of one row with the
    // decoration fits them all: measuring each row took most of a page's time.
    const QAbstractItemView* view = m_table;
    int measured = 0;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (!m_model->AdditionalRows(row).isEmpty() || row + 1 == m_model->rowCount()) {
            measured = std::max(view->sizeHintForRow(row), view->sizeHintForRow(0));
            break;
        }
    }
    if (measured > 0)
        m_table->verticalHeader()->setDefaultSectionSize(measured);
}

void CLogViewDlg::PageUp()
{
    if (m_first <= 1)
        return;
    m_last = m_first - 1;
    m_first = std::max(m_first - kPageSize, 1);
    ReLoadInfo();
}

void CLogViewDlg::PageDown()
{
    if (m_last >= m_total)
        return;
    m_first = m_last + 1;
    m_last = std::min(m_last + kPageSize, m_total);
    ReLoadInfo();
}

void CLogViewDlg::SetCollapsed(const QList<int>& rows, bool hidden)
{
    for (const int row : rows)
        m_table->setRowHidden(row, hidden);
}

void CLogViewDlg::OnLogViewItemClick(const QModelIndex& index)
{
    if (!index.isValid() || index.column() != CLogViewDlgTableModel::kDetails)
        return;
    const QList<int> rows = m_model->AdditionalRows(index.row());
    if (rows.isEmpty())
        return;
    const bool anyHidden = std::any_of(rows.begin(), rows.end(),
                                       [this](int row) { return m_table->isRowHidden(row); });
    SetCollapsed(rows, !anyHidden);
    m_model->SetExpanded(index.row(), anyHidden);
}

void CLogViewDlg::ClearLog()
{
    if (IMessagePresenter::Show(QMessageBox::Question, Translate("Clear Log?").Text(),
                                Translate("Are you sure you want to clear the log?").Text(),
                                QMessageBox::Yes | QMessageBox::No, this,
                                QMessageBox::No) != QMessageBox::Yes)
        return;
    if (!m_agent || FAILED(m_agent->ClearLog())) {
        IMessagePresenter::Show(QMessageBox::Warning, Translate("Log Error").Text(),
                                Translate("An error occured while trying to clear the log.").Text(),
                                QMessageBox::Ok, this);
        return;
    }
    ReQuery();
}

void CLogViewDlg::SaveLog()
{
    QFileDialog dialog(this, Translate("Save as...").Text());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(Translate("Text Files (*.log)").Text());
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted ||
        dialog.selectedFiles().isEmpty())
        return;
    SaveTo(dialog.selectedFiles().constFirst());
}

bool CLogViewDlg::SaveTo(const QString& path)
{
    QString target = path;
    if (!target.endsWith(u".log"_s, Qt::CaseInsensitive))
        target += u".log"_s;
    if (CRegularFile::Replace(target, m_model->SavedText().toUtf8()) == ERROR_SUCCESS)
        return true;
    IMessagePresenter::Show(QMessageBox::Warning, Translate("File Error").Text(),
                            Translate("An error occured saving the log file.").Text(),
                            QMessageBox::Ok, this);
    return false;
}

bool CLogViewDlg::CanPrint()
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        return true;
    // The toolkit writes PDF files itself, with or without a print system.
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    return printer.outputFormat() == QPrinter::PdfFormat;
}

void CLogViewDlg::PrintTo(QPrinter& printer) const
{
    QTextDocument document;
    document.setHtml(m_model->PrintedHtml());
    document.print(&printer);
}

void CLogViewDlg::PrintLog()
{
    if (!CanPrint()) {
        IMessagePresenter::Show(
            QMessageBox::Warning, Translate("No Printer Installed").Text(),
            Translate("You have no printer installed and are unable to print.  Please install a "
                      "printer or save as a file instead")
                .Text(),
            QMessageBox::Ok, this);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted)
        return;
    PrintTo(printer);
}
