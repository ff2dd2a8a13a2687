#pragma once

#include "defrag/CDiskNoteBookPage.h"

#include <QList>
#include <QWidget>

#include <array>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QRadioButton;
class QSpinBox;

// The placement strategy of TierLayout, as the engine keeps it per volume.
struct TTierStrategy {
    // Zones 0 boot, 1 directory, 2 rarely, 3 occasionally and 4 recently modified, first to last.
    std::array<uint, 5> zoneOrder{0, 1, 2, 3, 4};
    // Free space between consecutive zones, in KB.
    std::array<qulonglong, 4> freeSpaceGapsKb{8192, 0, 0, 0};
    uint rareAgeDays = 60;
    uint recentAgeDays = 30;
    bool aggressive = false;
    bool ignoreLargeFragments = false;
    uint largeFragmentMb = 32;

    bool operator==(const TTierStrategy&) const = default;

    static constexpr int kPresetCount = 5;
    static const TTierStrategy& Preset(int index);
    // The preset equal to the strategy in every field; -1 for none.
    static int PresetOf(const TTierStrategy& strategy);
    // A zone order that holds every zone once.
    static bool IsZoneOrder(const std::array<uint, 5>& order);
};

// One zone of the TierLayout legend: a block in the drive map's colour and the zone's name.
class CTierBlockLegendItem : public QWidget {
    Q_OBJECT

public:
    CTierBlockLegendItem(const QColor& color, const QString& text, QWidget* parent = nullptr);
    QColor Color() const { return m_color; }
    QString Text() const { return m_text; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    QString m_text;
};

// The TierLayout placement of a volume. With the newest agent (outside edition 6) a preset or a
// custom strategy: the order of the zones, the free space between them and a legend of the
// zones as they will lie; otherwise the ages and flags alone (without the large-fragment limit
// for an older agent).
class CTierlayoutPage : public CDiskNoteBookPage {
    Q_OBJECT

public:
    enum class TLayout { Full, Simple, Older };

    explicit CTierlayoutPage(const TDrivePropertiesContext& context, QWidget* parent = nullptr);

    QString Label() const override;
    QString HelpTopic() const override;
    TLayout Layout() const { return m_layout; }

    // The strategy the widgets show.
    TTierStrategy Strategy() const;
    // The preset box's selection: a preset, or -1 for "Custom".
    int Preset() const;
    bool IsCustom() const;
    // The legend's items, first zone first.
    QList<CTierBlockLegendItem*> LegendItems() const;
    bool FreeSpaceWarningShown() const;

    QSpinBox* RareAge() const { return m_rareAge; }
    QSpinBox* RecentAge() const { return m_recentAge; }
    QCheckBox* Aggressive() const { return m_aggressive; }
    QCheckBox* IgnoreGreater() const { return m_ignoreGreater; }
    QSpinBox* LargeFragmentSize() const { return m_largeSize; }
    QComboBox* PresetBox() const { return m_preset; }
    QRadioButton* PresetRadio() const { return m_presetRadio; }
    QRadioButton* CustomRadio() const { return m_customRadio; }
    // The zone chosen for a place (0 first), and the free space after it in MB.
    QComboBox* ZoneBox(int place) const { return m_zones.value(place); }
    QSpinBox* GapBox(int gap) const { return m_gaps.value(gap); }

public slots:
    HRESULT Load(std::wstring drive_guid) override;
    // Writes nothing when the strategy could not be read and the user left the defaults.
    HRESULT Save(std::wstring drive_guid) override;
    bool Verify() override;
    void TierRareAgeSpinChanged(int value);
    void TierRecentAgeSpinChanged(int value);

private slots:
    void OnIgnoreGreater();
    void OnIndexChanged(int index);
    void OnFreeSpaceChanged();
    void RefreshLegend();
    void OnRadioClick();
    void OnPresetChanged(int index);
    void OnPresetHelp();
    void OnReset();

private:
    QGroupBox* MakeCustomGroup();
    void Show(const TTierStrategy& strategy);
    void ShowPresetChoice(const TTierStrategy& strategy);
    void ResetWhenUnset(QSpinBox* box, bool& unset, int value, int usual);

    TLayout m_layout;
    TTierStrategy m_loaded;
    bool m_loadFailed = false;
    std::optional<qulonglong> m_freeBytes;
    bool m_showing = false;
    bool m_rareUnset = true;
    bool m_recentUnset = true;
    QSpinBox* m_rareAge;
    QSpinBox* m_recentAge;
    QCheckBox* m_aggressive;
    QCheckBox* m_ignoreGreater;
    QSpinBox* m_largeSize;
    QRadioButton* m_presetRadio = nullptr;
    QRadioButton* m_customRadio = nullptr;
    QComboBox* m_preset = nullptr;
    QGroupBox* m_custom = nullptr;
    QList<QComboBox*> m_zones;
    QList<QSpinBox*> m_gaps;
    QHBoxLayout* m_legend = nullptr;
    QLabel* m_freeSpaceWarning = nullptr;
};
