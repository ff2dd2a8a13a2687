#include "defrag/CStatisticsMostFragmented.h"

#include "appmodel/IDefragController.h"
#include "appmodel/IMessagePresenter.h"
#include "core/CSystemMessage.h"
#include "defrag/CDefrager.h"
#include "defrag/CStatisticsTables.h"
#include "widgets/CTableWidgetItemSort.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum TMostFragmentedColumn {
    kMostFragmentedFragments = 0,
    kMostFragmentedSize = 1,
    kMostFragmentedName = 2,
};

// The engine's answer when it has already told the user why it did not start.
constexpr HRESULT kMostFragmentedSilentFailure = HRESULT(0x80070708);

} // namespace

CStatisticsMostFragmented::CStatisticsMostFragmented(CDefrager& model,
                                                     IDefragController& controller, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CStatisticsMostFragmented")
    , m_model(model)
    , m_controller(controller)
    , m_table(
          CStatisticsTables::NewTable({Translate("# of Fragments"), Translate("File Size in MB"),
                                       Translate("File/Directory Name")},
                                      kMostFragmentedName))
    , m_defragment(new QPushButton(Translate("Defragment Selected Files")))
    , m_selectAll(new QPushButton(Translate("Select All")))
    , m_clearAll(new QPushButton(Translate("Clear All")))
{
    setObjectName(u"StatisticsMostFragmented"_qs);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_defragment);
    buttons->addStretch(1);
    buttons->addWidget(m_selectAll);
    buttons->addWidget(m_clearAll);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    connect(m_defragment, &QPushButton::clicked, this, &CStatisticsMostFragmented::OnDefragment);
    connect(m_selectAll, &QPushButton::clicked, m_table, &QTableWidget::selectAll);
    connect(m_clearAll, &QPushButton::clicked, m_table, &QTableWidget::clearSelection);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CStatisticsMostFragmented::OnSelectionChanged);
    OnSelectionChanged();
}

void CStatisticsMostFragmented::ShowVolume(const TId& volume)
{
    m_volume = m_model.Contains(volume) ? volume : TId();
    const std::shared_ptr<const CDefragStatisticsData::CBase> record =
        CStatisticsTables::ListsRecord(m_model, m_volume);
    const CStatisticsBlockLists* lists = CStatisticsTables::Lists(record.get());
    const int rows = lists ? int(lists->mostFragmented.size()) : 0;
    m_table->clearSelection();
    CStatisticsTables::Refill(*m_table, rows, [this, lists](int row) {
        const CStatisticsBlockLists::TFragmented& entry = lists->mostFragmented.at(row);
        const double megabytes = double(entry.bytes) / (1024.0 * 1024.0);
        m_table->setItem(row, kMostFragmentedFragments,
                         CStatisticsTables::CountItem(entry.fragments));
        QTableWidgetItem* size =
            new CTableWidgetItemSort(QString::number(megabytes, 'f', 2), double(entry.bytes));
        size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(row, kMostFragmentedSize, size);
        m_table->setItem(row, kMostFragmentedName,
                         CStatisticsTables::TextItem(QString::fromStdWString(entry.path)));
    });
    OnSelectionChanged();
}

QStringList CStatisticsMostFragmented::SelectedNames() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows(kMostFragmentedName))
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QStringList names;
    for (const int row : rows)
        if (const QTableWidgetItem* item = m_table->item(row, kMostFragmentedName))
            names.append(item->text());
    return names;
}

void CStatisticsMostFragmented::OnDefragment()
{
    const QStringList names = SelectedNames();
    if (names.isEmpty() || m_volume.empty())
        return;
    TStringList list;
    for (const QString& name : names)
        list.push_back(name.toStdWString());
    const HRESULT result = m_controller.DefragmentFilesList(m_volume, list);
    if (SUCCEEDED(result) || result == kMostFragmentedSilentFailure)
        return;
    const QString text =
        Translate("Unable to defragment Selected files on Drive %1 due to error %2(%3)")
            .Arg(m_model.MountName(m_volume))
            .Arg(CSystemMessage::CodeText(result))
            .Arg(CSystemMessage::Text(result))
            .Text();
    IMessagePresenter::Show(QMessageBox::Information, Translate("Unable to launch operation"), text,
                            QMessageBox::Ok, window());
}

void CStatisticsMostFragmented::OnSelectionChanged()
{
    const bool selected = m_table->selectionModel()->hasSelection();
    const bool rows = m_table->rowCount() > 0;
    m_defragment->setEnabled(selected && !m_volume.empty());
    m_clearAll->setEnabled(selected);
    m_selectAll->setEnabled(rows);
}
