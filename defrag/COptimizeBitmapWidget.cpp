#include "defrag/COptimizeBitmapWidget.h"

#include "defrag/CBlockFilesDialog.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CVolumeBitmapWidget.h"

#include <QStyle>
#include <QVBoxLayout>

COptimizeBitmapWidget::COptimizeBitmapWidget(CDefragFeed& feed, QWidget* parent)
    : QWidget(parent)
    , m_feed(feed)
    , m_map(new CVolumeBitmapWidget(feed.Model(), this))
{
    setObjectName(QStringLiteral("OptimizeBitmapWidget"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_map);

    CDefrager& model = feed.Model();
    connect(&model, &CDefrager::BitmapUpdated, this, &COptimizeBitmapWidget::OnBitmapUpdated);
    connect(&model, &CDefrager::CurrentVolumeChanged, this,
            &COptimizeBitmapWidget::OnCurrentVolumeChanged);
    connect(&feed, &CDefragFeed::DefragModelUpdated, this, &COptimizeBitmapWidget::OnModelUpdated);
    // New colours reach the map, which reads them and reloads.
    connect(this, &COptimizeBitmapWidget::ResetColors, m_map, &CVolumeBitmapWidget::ResetColors);
    connect(m_map, &CVolumeBitmapWidget::BlockFilesRequested, this,
            [this](const TId& volume, int block) {
                CBlockFilesDialog::Launch(m_feed, volume, block, this);
            });
}

void COptimizeBitmapWidget::UpdateFromModel(quint32 hints)
{
    if (hints & kSelectedBlocksHint)
        m_map->Refresh();
}

void COptimizeBitmapWidget::OnSetSkin(CModel::TSkin skin)
{
    m_skin = std::move(skin);
    setProperty("skin", m_skin.styleSheet);
    style()->unpolish(this);
    style()->polish(this);
    update();
}

void COptimizeBitmapWidget::OnBitmapUpdated(TId volume_guid, uint block_type, uint block_start,
                                            uint block_length)
{
    if (volume_guid.empty() || volume_guid != m_feed.Model().CurrentVolume())
        return;
    if (volume_guid != m_map->Volume())
        m_map->Refresh();
    else
        m_map->UpdateBlocks(block_type, block_start, block_length);
}

void COptimizeBitmapWidget::OnCurrentVolumeChanged(TId kv_volume_guid)
{
    Q_UNUSED(kv_volume_guid);
    m_map->Refresh();
}

void COptimizeBitmapWidget::OnModelUpdated()
{
    m_map->Refresh();
}
