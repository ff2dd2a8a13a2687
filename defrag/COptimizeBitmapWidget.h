#pragma once

#include "appmodel/CModel.h"
#include "core/Types.h"

#include <QWidget>

class CDefragFeed;
class CVolumeBitmapWidget;

// The "Drive Map" page: holds the map of the current volume and keeps it in step with the drive
// model. Runs of the current volume go to the map as they arrive; a change of the current volume,
// a rebuilt drive set, new colours and the repaint hint of a changed file selection reload it.
class COptimizeBitmapWidget : public QWidget {
    Q_OBJECT

public:
    // The hint of a repaint request that says the selected blocks changed.
    static constexpr quint32 kSelectedBlocksHint = 0x80;

    explicit COptimizeBitmapWidget(CDefragFeed& feed, QWidget* parent = nullptr);

    CVolumeBitmapWidget* Map() const { return m_map; }
    // The skin last set; its style sheet name is the page's "skin" property.
    const CModel::TSkin& Skin() const { return m_skin; }

    // A repaint request of the tab: reloads the map when the hints hold kSelectedBlocksHint.
    void UpdateFromModel(quint32 hints);

signals:
    // The map's colours changed: it reads them again.
    void ResetColors();

public slots:
    void OnSetSkin(CModel::TSkin skin);
    void OnBitmapUpdated(TId volume_guid, uint block_type, uint block_start, uint block_length);
    void OnCurrentVolumeChanged(TId kv_volume_guid);
    void OnModelUpdated();

private:
    CDefragFeed& m_feed;
    CVolumeBitmapWidget* m_map = nullptr;
    CModel::TSkin m_skin;
};
