#include "defrag/CLegendColorDlg.h"

#include "defrag/CBlockImage.h"
#include "defrag/CDefragHelpKey.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int kBlocksPerMap = 3600;
const QSize kImageSize(18, 18);

} // namespace

CLegendColorDlg::CLegendColorDlg(double volumeMegabytes, QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CLegendColorDlg")
    , m_colors(CBitmapColors::Load())
    , m_chooser([](const QColor& initial, QWidget* owner) {
        return QColorDialog::getColor(initial, owner);
    })
    , m_table(new QTableWidget(int(kRowCodes.size()), kColumnCount, this))
{
    setWindowTitle(Translate("Drive Map Properties"));
    new CDefragHelpKey(this, [] { return kHelpTopic; });

    auto* blockSize = new QGroupBox(Translate("Block size"), this);
    auto* perBlock = new QLabel(
        Translate("      MB per block: %1")
            .Arg(QString::number(std::max(volumeMegabytes, 0.0) / kBlocksPerMap, 'f', 2)),
        blockSize);
    perBlock->setObjectName(u"megabytesPerBlock"_s);
    auto* blockLayout = new QVBoxLayout(blockSize);
    blockLayout->addWidget(perBlock);

    auto* legend = new QGroupBox(Translate("Color Legend"), this);
    m_table->setObjectName(u"colorTable"_s);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setIconSize(kImageSize);
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->setShowGrid(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(kPlainColumn, kImageSize.width() + 12);
    m_table->setColumnWidth(kFragmentedColumn, kImageSize.width() + 12);
    for (int row = 0; row < int(kRowCodes.size()); ++row) {
        for (int column = 0; column < kColumnCount; ++column)
            m_table->setItem(row, column, new QTableWidgetItem);
        m_table->item(row, kNameColumn)
            ->setText(
                CTranslatable::Translate(CBitmapColors::CategoryName(kRowCodes[std::size_t(row)]),
                                         CBitmapColors::kNameContext));
        ShowRow(row);
    }
    auto* change = new QPushButton(Translate("Change Color"), legend);
    auto* restore = new QPushButton(Translate("Restore Defaults"), legend);
    auto* legendButtons = new QHBoxLayout;
    legendButtons->addWidget(change);
    legendButtons->addStretch(1);
    legendButtons->addWidget(restore);
    auto* legendLayout = new QVBoxLayout(legend);
    legendLayout->addWidget(m_table, 1);
    legendLayout->addLayout(legendButtons);

    auto* note = new QLabel(Translate("Fragmented Files have a darker outline"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(Translate("Cancel"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(blockSize);
    layout->addWidget(note);
    layout->addWidget(legend, 1);
    layout->addWidget(buttons);

    connect(change, &QPushButton::clicked, this, &CLegendColorDlg::ChangeSelectedColor);
    connect(restore, &QPushButton::clicked, this, &CLegendColorDlg::RestoreDefaults);
    connect(m_table, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { ChangeColorRow(row); });
    connect(buttons, &QDialogButtonBox::accepted, this, &CLegendColorDlg::Save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_table->selectRow(0);
    resize(360, 540);
}

void CLegendColorDlg::ShowRow(int row)
{
    const QColor color = m_colors[kRowCodes[std::size_t(row)]];
    m_table->item(row, kPlainColumn)
        ->setData(Qt::DecorationRole,
                  QPixmap::fromImage(CBlockImage::Draw(kImageSize, color, false)));
    m_table->item(row, kFragmentedColumn)
        ->setData(Qt::DecorationRole,
                  QPixmap::fromImage(CBlockImage::Draw(kImageSize, color, true)));
}

void CLegendColorDlg::ChangeSelectedColor()
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (!rows.isEmpty())
        ChangeColorRow(rows.first().row());
}

void CLegendColorDlg::ChangeColorRow(int row)
{
    if (row < 0 || row >= int(kRowCodes.size()) || !m_chooser)
        return;
    QColor& color = m_colors[kRowCodes[std::size_t(row)]];
    const QColor chosen = m_chooser(color, this);
    if (!chosen.isValid())
        return;
    color = chosen.toRgb();
    color.setAlpha(255);
    ShowRow(row);
}

void CLegendColorDlg::RestoreDefaults()
{
    m_colors = CBitmapColors::Defaults();
    for (int row = 0; row < int(kRowCodes.size()); ++row)
        ShowRow(row);
}

void CLegendColorDlg::Save()
{
    if (const LONG saved = CBitmapColors::Save(m_colors); saved != ERROR_SUCCESS)
        qWarning("The drive map colours could not be saved: error %ld", long(saved));
    accept();
}
