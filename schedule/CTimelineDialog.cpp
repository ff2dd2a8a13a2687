#include "schedule/CTimelineDialog.h"

#include "appmodel/IMessagePresenter.h"
#include "schedule/CTimelineAddDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <set>

using namespace Qt::StringLiterals;

CTimelineDialog::CTimelineDialog(const CTimelineGrid& grid, QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CTimelineDialog")
    , m_grid(grid)
    , m_table(new QTableWidget(0, kColumnCount, this))
{
    setWindowTitle(Translate("Current Exclusions"));
    m_table->setObjectName(u"exclusions"_s);
    m_table->setHorizontalHeaderLabels(
        {Translate("Start"), Translate("Repeat Value"), Translate("Repeated")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(kStartColumn, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(kRepeatValueColumn,
                                                      QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(kRepeatedColumn,
                                                      QHeaderView::ResizeToContents);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* add = buttons->addButton(Translate("Add"), QDialogButtonBox::ActionRole);
    add->setObjectName(u"add"_s);
    QPushButton* remove = buttons->addButton(Translate("Delete"), QDialogButtonBox::ActionRole);
    remove->setObjectName(u"delete"_s);
    buttons->addButton(QDialogButtonBox::Ok);
    buttons->addButton(QDialogButtonBox::Cancel)->setText(Translate("Cancel"));
    connect(add, &QPushButton::clicked, this, &CTimelineDialog::OnAdd);
    connect(remove, &QPushButton::clicked, this, &CTimelineDialog::OnDelete);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    resize(520, 320);
    Reload();
}

void CTimelineDialog::Reload()
{
    m_windows = m_grid.ToWindows();
    m_table->clearContents();
    m_table->setRowCount(int(m_windows.size()));
    const QLocale locale;
    for (int row = 0; row < int(m_windows.size()); ++row) {
        const CTimelineGrid::TWindow& window = m_windows[std::size_t(row)];
        const QString end = window.start.date() == window.end.date()
                                ? locale.toString(window.end.time(), QLocale::ShortFormat)
                                : locale.toString(window.end, QLocale::ShortFormat);
        const QString texts[kColumnCount] = {
            u"%1 - %2"_s.arg(locale.toString(window.start, QLocale::ShortFormat), end),
            QString::number(window.repeat), CTimelineGrid::RepeatText(window.repeat)};
        for (int column = 0; column < kColumnCount; ++column)
            m_table->setItem(row, column, new QTableWidgetItem(texts[column]));
    }
}

void CTimelineDialog::OnAdd()
{
    CTimelineAddDialog dialog(m_grid, this);
    if (IMessagePresenter::Instance().RunDialog(dialog) == QDialog::Accepted)
        Reload();
}

void CTimelineDialog::OnDelete()
{
    std::set<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows.insert(index.row());
    if (rows.empty())
        return;
    for (const int row : rows) {
        const CTimelineGrid::TWindow& window = m_windows[std::size_t(row)];
        m_grid.SetRange(m_grid.CellAt(window.start), m_grid.CellAt(window.end) - 1, false);
    }
    Reload();
}
