#include "schedule/CTimelineDialog.h"

#include "appmodel/IMessagePresenter.h"
#include "schedule/CTimelineAddDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
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

    auto* add = new QPushButton(Translate("Add"), this);
    add->setObjectName(u"add"_s);
    auto* remove = new QPushButton(Translate("Delete"), this);
    remove->setObjectName(u"delete"_s);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(Translate("Cancel"));
    connect(add, &QPushButton::clicked, this, &CTimelineDialog::OnAdd);
    connect(remove, &QPushButton::clicked, this, &CTimelineDialog::OnDelete);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(add);
    row->addWidget(remove);
    row->addStretch(1);
    row->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(row);
    resize(520, 320);
    Reload();
}

void CTimelineDialog::Reload()
{
    m_windows = m_grid.ToWindows();
    m_table->clearContents();
    m_table->setRowCount(int(m_windows.size()));
    for (int row = 0; row < int(m_windows.size()); ++row) {
        const CTimelineGrid::TWindow& window = m_windows[std::size_t(row)];
        const QString texts[kColumnCount] = {CTimelineGrid::PeriodText(window.start, window.end),
                                             QString::number(window.repeat),
                                             CTimelineGrid::RepeatText(window.repeat)};
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
