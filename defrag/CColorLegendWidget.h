#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"
#include "defrag/CBitmapColors.h"

#include <QMap>
#include <QString>
#include <QWidget>

#include <array>

class CDefragFeed;
class QLabel;

// The drive map's legend in the defragmentation tab's side panel: the ten kinds of block with
// their current colours and the note on outlines. It also carries the map's two commands: the
// colour dialog ("Drive Map Properties") and the search for a file's blocks on the current
// volume.
class CColorLegendWidget : public QWidget, public CTranslatable {
    Q_OBJECT

public:
    // The block codes of the entries, top to bottom.
    static constexpr std::array<quint32, 10> kEntryCodes = {
        CBitmapColors::kRarelyModified,
        CBitmapColors::kOccasionallyModified,
        CBitmapColors::kRecentlyModified,
        CBitmapColors::kDirectory,
        CBitmapColors::kMftZone,
        CBitmapColors::kMetadata,
        CBitmapColors::kBoot,
        CBitmapColors::kFreeSpace,
        CBitmapColors::kUsed,
        CBitmapColors::kExcluded,
    };
    static inline const QSize kSwatchSize = QSize(14, 14);

    explicit CColorLegendWidget(CDefragFeed& feed, QWidget* parent = nullptr);

    // The colours shown, indexed by code.
    const CBitmapColors::TTable& Colors() const { return m_colors; }
    // The swatch of an entry's code; null for a code without an entry.
    QLabel* Swatch(quint32 code) const { return m_swatches.value(code); }
    bool InputEnabled() const { return m_inputEnabled; }

signals:
    // The colour dialog saved new colours: the map reloads its colours and redraws.
    void ColorsChanged();

public slots:
    // "Drive Map Properties" for the current volume.
    void LaunchColorDialog();
    // Picks a file of the current volume (the chooser runs through the message presenter) and
    // has the controller select its blocks on the map.
    void LaunchFindDialog();
    // Reads the stored colours again and repaints.
    void ResetColors();
    // While disabled (the volume is busy, for instance) the file search does not run; the
    // colours can still be changed.
    void EnableInput(bool enable);
    // Another computer: reads the colours again.
    void OnConnectComputer();

private:
    // The chosen file's path; empty when cancelled or nothing is chosen.
    QString ChooseFile(const QString& mountName);
    // The model's volume with the longest mount name that holds the path; empty when none does.
    TId VolumeOfPath(const QString& path) const;

    CDefragFeed& m_feed;
    CBitmapColors::TTable m_colors;
    QMap<quint32, QLabel*> m_swatches;
    bool m_inputEnabled = true;
};
