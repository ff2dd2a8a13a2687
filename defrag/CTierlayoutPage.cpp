#include "defrag/CTierlayoutPage.h"

#include "appmodel/IAppController.h"
#include "appmodel/IMessagePresenter.h"
#include "defrag/CBitmapColors.h"
#include "defrag/CDefragFeed.h"
#include "engine/CKV100EngineInterface.h"
#include "resources/CSkinResources.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kUnsetAge = 0;
constexpr int kMaxAgeDays = 3650;
constexpr int kMaxGapMb = 1024 * 1024;
constexpr int kZoneCount = 5;
constexpr int kGapCount = 4;
constexpr quint32 kEditionWithoutPresets = 6;

const char* const kZoneNames[kZoneCount] = {"Boot", "Directory", "Rarely", "Occasional",
                                            "Recently"};
// The drive-map codes whose colours the legend's zones take.
constexpr quint32 kZoneCodes[kZoneCount] = {
    CBitmapColors::kBoot, CBitmapColors::kDirectory, CBitmapColors::kRarelyModified,
    CBitmapColors::kOccasionallyModified, CBitmapColors::kRecentlyModified};

const char* const kPresetNames[TTierStrategy::kPresetCount] = {
    "TierLayout Classic (Default)", "TierLayout Classic Alternate", "TierLayout Performance",
    "TierLayout Performance Aggressive", "TierLayout Conservative"};
const char* const kPresetAnchors[TTierStrategy::kPresetCount] = {
    "#KVPro_SCD", "#KVPro_SCA", "#KVPRo_SP", "#KVPro_SPA", "#KVPro_SC"};

const QString kFullHelpTopic = u"Drive_Properties_-_TierLayout_for_Korvane_11_Professional.htm"_s;
const QString kSimpleHelpTopic = u"Drive_Properties_-_TierLayout.htm"_s;

const std::array<TTierStrategy, TTierStrategy::kPresetCount> kPresets{{
    {{0, 1, 2, 3, 4}, {8192, 0, 0, 0}, 60, 30, false, false, 32},
    {{0, 2, 3, 4, 1}, {8192, 0, 0, 0}, 60, 30, false, false, 32},
    {{0, 1, 4, 3, 2}, {32768, 8192, 1048576, 262144}, 45, 24, false, false, 32},
    {{0, 1, 4, 3, 2}, {4096, 4096, 1048576, 0}, 24, 8, true, false, 32},
    {{2, 3, 1, 4, 0}, {0, 0, 8192, 1048576}, 90, 24, false, false, 10},
}};

int MegabytesOf(qulonglong kilobytes)
{
    return int(std::min<qulonglong>((kilobytes + 512) / 1024, kMaxGapMb));
}

QSpinBox* AgeBox(QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setRange(kUnsetAge, kMaxAgeDays);
    box->setSpecialValueText(u" "_s);
    return box;
}

} // namespace

const TTierStrategy& TTierStrategy::Preset(int index)
{
    return kPresets.at(size_t(index));
}

int TTierStrategy::PresetOf(const TTierStrategy& strategy)
{
    const auto found = std::find(kPresets.begin(), kPresets.end(), strategy);
    return found == kPresets.end() ? -1 : int(found - kPresets.begin());
}

bool TTierStrategy::IsZoneOrder(const std::array<uint, 5>& order)
{
    std::array<uint, 5> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    return sorted == std::array<uint, 5>{0, 1, 2, 3, 4};
}

CTierBlockLegendItem::CTierBlockLegendItem(const QColor& color, const QString& text,
                                           QWidget* parent)
    : QWidget(parent)
    , m_color(color)
    , m_text(text)
{
    setToolTip(text);
}

QSize CTierBlockLegendItem::minimumSizeHint() const
{
    return sizeHint();
}

QSize CTierBlockLegendItem::sizeHint() const
{
    return {std::max(48, fontMetrics().horizontalAdvance(m_text) + 8),
            fontMetrics().height() * 2 + 8};
}

void CTierBlockLegendItem::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int blockHeight = height() / 2;
    painter.fillRect(QRect(0, 0, width() - 1, blockHeight), m_color);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(QRect(0, 0, width() - 1, blockHeight));
    painter.drawText(QRect(0, blockHeight, width(), height() - blockHeight), Qt::AlignCenter,
                     m_text);
}

CTierlayoutPage::CTierlayoutPage(const TDrivePropertiesContext& context, QWidget* parent)
    : CDiskNoteBookPage(context, "CTierlayoutPage", parent)
    , m_layout(context.edition == kEditionWithoutPresets ? TLayout::Simple
               : context.newestAgent                     ? TLayout::Full
                                                         : TLayout::Older)
    , m_rareAge(AgeBox(this))
    , m_recentAge(AgeBox(this))
    , m_aggressive(
          new QCheckBox(Translate("Aggressively consolidate free space (may require more time to "
                                  "run)"),
                        this))
    , m_ignoreGreater(new QCheckBox(Translate("Ignore file fragments greater than (MB)"), this))
    , m_largeSize(new QSpinBox(this))
{
    m_largeSize->setRange(1, kMaxGapMb);
    m_largeSize->setEnabled(false);

    auto* group = new QGroupBox(Translate("TierLayout Settings"), this);
    auto* caption =
        new QLabel(Translate("TierLayout (TM) places files according to the last modification "
                             "date."),
                   group);
    caption->setWordWrap(true);
    auto* picture = new QLabel(group);
    picture->setPixmap(QPixmap(CSkinResources::CommonImagePath(u"TierLayout.png"_s)));
    auto* heading = new QHBoxLayout;
    heading->addWidget(picture);
    heading->addWidget(caption, 1);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addLayout(heading);

    auto* ages = new QFormLayout;
    ages->addRow(Translate("Rarely modified age (days)"), m_rareAge);
    ages->addRow(Translate("Recently modified age (days)"), m_recentAge);
    auto* large = new QHBoxLayout;
    large->addWidget(m_ignoreGreater);
    large->addWidget(m_largeSize);
    large->addStretch(1);
    auto* strategy = new QVBoxLayout;
    strategy->addLayout(ages);
    strategy->addWidget(m_aggressive);
    strategy->addLayout(large);
    m_ignoreGreater->setVisible(m_layout != TLayout::Older);
    m_largeSize->setVisible(m_layout != TLayout::Older);

    if (m_layout == TLayout::Full) {
        m_presetRadio = new QRadioButton(Translate("Select from Existing Presets"), group);
        m_customRadio = new QRadioButton(Translate("Create a Custom Strategy"), group);
        auto* radios = new QButtonGroup(this);
        radios->addButton(m_presetRadio);
        radios->addButton(m_customRadio);
        m_preset = new QComboBox(group);
        for (const char* name : kPresetNames)
            m_preset->addItem(Translate(name));
        auto* learnMore =
            new QLabel(u"<a href='#'>"_s + Translate("Learn More") + u"</a>"_s, group);
        auto* presets = new QHBoxLayout;
        presets->addWidget(m_preset, 1);
        presets->addWidget(learnMore);
        groupLayout->addWidget(m_presetRadio);
        groupLayout->addLayout(presets);
        groupLayout->addWidget(m_customRadio);
        m_custom = MakeCustomGroup();
        auto* customLayout = static_cast<QVBoxLayout*>(m_custom->layout());
        customLayout->insertLayout(0, strategy);
        groupLayout->addWidget(m_custom);
        m_presetRadio->setChecked(true);
        connect(m_presetRadio, &QRadioButton::clicked, this, &CTierlayoutPage::OnRadioClick);
        connect(m_customRadio, &QRadioButton::clicked, this, &CTierlayoutPage::OnRadioClick);
        connect(m_preset, &QComboBox::currentIndexChanged, this, &CTierlayoutPage::OnPresetChanged);
        connect(learnMore, &QLabel::linkActivated, this, &CTierlayoutPage::OnPresetHelp);
    } else {
        groupLayout->addLayout(strategy);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);

    connect(m_rareAge, &QSpinBox::valueChanged, this, &CTierlayoutPage::TierRareAgeSpinChanged);
    connect(m_recentAge, &QSpinBox::valueChanged, this, &CTierlayoutPage::TierRecentAgeSpinChanged);
    connect(m_ignoreGreater, &QCheckBox::toggled, this, &CTierlayoutPage::OnIgnoreGreater);
    Show(m_loaded);
    if (m_layout == TLayout::Full)
        OnRadioClick();
}

QGroupBox* CTierlayoutPage::MakeCustomGroup()
{
    auto* custom = new QGroupBox(Translate("Data Layout"), this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Translate("File Type"), custom), 0, 0);
    grid->addWidget(new QLabel(Translate("Free Space<br>(Megabytes)"), custom), 0, 1);
    for (int place = 0; place < kZoneCount; ++place) {
        auto* zone = new QComboBox(custom);
        for (int index = 0; index < kZoneCount; ++index)
            zone->addItem(Translate(kZoneNames[index]), index);
        grid->addWidget(zone, 1 + place, 0);
        m_zones.append(zone);
        connect(zone, &QComboBox::currentIndexChanged, this, &CTierlayoutPage::OnIndexChanged);
        if (place == kGapCount)
            break;
        auto* gap = new QSpinBox(custom);
        gap->setRange(0, kMaxGapMb);
        grid->addWidget(gap, 1 + place, 1);
        m_gaps.append(gap);
        connect(gap, &QSpinBox::valueChanged, this, &CTierlayoutPage::OnFreeSpaceChanged);
    }
    m_legend = new QHBoxLayout;
    m_legend->setSpacing(2);
    m_freeSpaceWarning = new QLabel(
        Translate("<font color=red><b>The free space requested between zones is more than what is "
                  "available to Korvane. A best effort approach will be made by Korvane to "
                  "defragment the volume with the specified settings, but the drive map may not "
                  "reflect these settings exactly.</b></font>"),
        custom);
    m_freeSpaceWarning->setWordWrap(true);
    m_freeSpaceWarning->hide();
    auto* reset = new QPushButton(Translate("Reset"), custom);
    connect(reset, &QPushButton::clicked, this, &CTierlayoutPage::OnReset);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(reset);

    auto* layout = new QVBoxLayout(custom);
    layout->addLayout(grid);
    layout->addLayout(m_legend);
    layout->addWidget(m_freeSpaceWarning);
    layout->addLayout(buttons);
    return custom;
}

QString CTierlayoutPage::Label() const
{
    return Translate("TierLayout");
}

QString CTierlayoutPage::HelpTopic() const
{
    return Context().edition == kEditionWithoutPresets ? kSimpleHelpTopic : kFullHelpTopic;
}

TTierStrategy CTierlayoutPage::Strategy() const
{
    TTierStrategy strategy = m_loaded;
    strategy.rareAgeDays = uint(m_rareAge->value());
    strategy.recentAgeDays = uint(m_recentAge->value());
    strategy.aggressive = m_aggressive->isChecked();
    if (m_layout != TLayout::Older) {
        strategy.ignoreLargeFragments = m_ignoreGreater->isChecked();
        strategy.largeFragmentMb = uint(m_largeSize->value());
    }
    if (m_layout != TLayout::Full)
        return strategy;
    if (!IsCustom() && Preset() >= 0)
        return TTierStrategy::Preset(Preset());
    for (int place = 0; place < kZoneCount; ++place)
        strategy.zoneOrder[size_t(place)] = uint(m_zones[place]->currentData().toInt());
    for (int gap = 0; gap < kGapCount; ++gap) {
        // A gap left as loaded keeps its exact size, which megabytes may not show.
        const qulonglong loaded = m_loaded.freeSpaceGapsKb[size_t(gap)];
        const int shown = m_gaps[gap]->value();
        strategy.freeSpaceGapsKb[size_t(gap)] =
            shown == MegabytesOf(loaded) ? loaded : qulonglong(shown) * 1024;
    }
    return strategy;
}

int CTierlayoutPage::Preset() const
{
    if (!m_preset || m_preset->currentIndex() >= TTierStrategy::kPresetCount)
        return -1;
    return m_preset->currentIndex();
}

bool CTierlayoutPage::IsCustom() const
{
    return m_customRadio && m_customRadio->isChecked();
}

QList<CTierBlockLegendItem*> CTierlayoutPage::LegendItems() const
{
    QList<CTierBlockLegendItem*> items;
    for (int index = 0; m_legend && index < m_legend->count(); ++index)
        if (auto* item = qobject_cast<CTierBlockLegendItem*>(m_legend->itemAt(index)->widget()))
            items.append(item);
    return items;
}

bool CTierlayoutPage::FreeSpaceWarningShown() const
{
    return m_freeSpaceWarning && !m_freeSpaceWarning->isHidden();
}

void CTierlayoutPage::Show(const TTierStrategy& strategy)
{
    m_showing = true;
    m_rareAge->setValue(int(std::min<uint>(strategy.rareAgeDays, kMaxAgeDays)));
    m_recentAge->setValue(int(std::min<uint>(strategy.recentAgeDays, kMaxAgeDays)));
    m_rareUnset = m_rareAge->value() == kUnsetAge;
    m_recentUnset = m_recentAge->value() == kUnsetAge;
    m_aggressive->setChecked(strategy.aggressive);
    m_ignoreGreater->setChecked(strategy.ignoreLargeFragments);
    m_largeSize->setValue(int(strategy.largeFragmentMb));
    for (int place = 0; place < m_zones.size(); ++place)
        m_zones[place]->setCurrentIndex(int(strategy.zoneOrder[size_t(place)]));
    for (int gap = 0; gap < m_gaps.size(); ++gap)
        m_gaps[gap]->setValue(MegabytesOf(strategy.freeSpaceGapsKb[size_t(gap)]));
    m_showing = false;
    OnIgnoreGreater();
    OnFreeSpaceChanged();
}

void CTierlayoutPage::ShowPresetChoice(const TTierStrategy& strategy)
{
    if (!m_preset)
        return;
    const int preset = TTierStrategy::PresetOf(strategy);
    m_showing = true;
    if (m_preset->count() > TTierStrategy::kPresetCount)
        m_preset->removeItem(TTierStrategy::kPresetCount);
    if (preset < 0) {
        m_preset->addItem(Translate("Custom"));
        m_preset->setCurrentIndex(TTierStrategy::kPresetCount);
    } else {
        m_preset->setCurrentIndex(preset);
    }
    m_showing = false;
    (preset < 0 ? m_customRadio : m_presetRadio)->setChecked(true);
    OnRadioClick();
}

HRESULT CTierlayoutPage::Load(std::wstring drive_guid)
{
    uint bytesPerCluster = 0;
    quint64 total = 0;
    quint64 free = 0;
    quint64 used = 0;
    uint serialHigh = 0;
    uint serialLow = 0;
    if (SUCCEEDED(Engine().GetDriveGeometry(drive_guid, &serialHigh, &serialLow, &bytesPerCluster,
                                            &total, &free, &used)))
        m_freeBytes = free * bytesPerCluster;

    QList<uint> order;
    QList<qulonglong> gaps;
    TTierStrategy loaded;
    HRESULT result = Engine().GetTierLayout(drive_guid, &order, &gaps, &loaded.rareAgeDays,
                                            &loaded.recentAgeDays, &loaded.aggressive,
                                            &loaded.ignoreLargeFragments, &loaded.largeFragmentMb);
    if (SUCCEEDED(result)) {
        if (order.size() == kZoneCount && gaps.size() == kGapCount) {
            std::copy(order.begin(), order.end(), loaded.zoneOrder.begin());
            std::copy(gaps.begin(), gaps.end(), loaded.freeSpaceGapsKb.begin());
        }
        if (order.size() != kZoneCount || gaps.size() != kGapCount ||
            !TTierStrategy::IsZoneOrder(loaded.zoneOrder))
            result = E_INVALIDARG;
    }
    m_loadFailed = FAILED(result);
    if (SUCCEEDED(result)) {
        loaded.largeFragmentMb = std::clamp<uint>(loaded.largeFragmentMb, 1, kMaxGapMb);
        m_loaded = loaded;
    }
    Show(m_loaded);
    ShowPresetChoice(m_loaded);
    return result;
}

HRESULT CTierlayoutPage::Save(std::wstring drive_guid)
{
    const TTierStrategy strategy = Strategy();
    if (m_loadFailed && strategy == m_loaded)
        return S_OK;
    return Engine().SetTierLayout(
        drive_guid, QList<uint>(strategy.zoneOrder.begin(), strategy.zoneOrder.end()),
        QList<qulonglong>(strategy.freeSpaceGapsKb.begin(), strategy.freeSpaceGapsKb.end()),
        strategy.rareAgeDays, strategy.recentAgeDays, strategy.aggressive,
        strategy.ignoreLargeFragments, strategy.largeFragmentMb);
}

bool CTierlayoutPage::Verify()
{
    if (m_rareAge->value() > m_recentAge->value())
        return false;
    IMessagePresenter::Show(
        QMessageBox::Information, Translate("Korvane"),
        Translate("The Rarely Modified Age has to be greater than the Recently Modified Age."),
        QMessageBox::Ok, this);
    m_rareAge->setFocus();
    return true;
}

void CTierlayoutPage::ResetWhenUnset(QSpinBox* box, bool& unset, int value, int usual)
{
    // Stepping away from the empty text starts at the usual age rather than at 1.
    if (!m_showing && unset && value != kUnsetAge) {
        unset = false;
        box->setValue(usual);
        return;
    }
    unset = value == kUnsetAge;
}

void CTierlayoutPage::TierRareAgeSpinChanged(int value)
{
    ResetWhenUnset(m_rareAge, m_rareUnset, value, 60);
    RefreshLegend();
}

void CTierlayoutPage::TierRecentAgeSpinChanged(int value)
{
    ResetWhenUnset(m_recentAge, m_recentUnset, value, 30);
    RefreshLegend();
}

void CTierlayoutPage::OnIgnoreGreater()
{
    m_largeSize->setEnabled(m_ignoreGreater->isChecked() && m_ignoreGreater->isEnabled());
}

void CTierlayoutPage::OnIndexChanged(int index)
{
    if (m_showing)
        return;
    // The zone taken from another place gives that place the zone this one had.
    auto* changed = qobject_cast<QComboBox*>(sender());
    const int place = int(m_zones.indexOf(changed));
    if (place < 0)
        return;
    std::array<bool, kZoneCount> used{};
    for (int other = 0; other < kZoneCount; ++other)
        if (other != place)
            used[size_t(m_zones[other]->currentIndex())] = true;
    for (int other = 0; other < kZoneCount; ++other) {
        if (other == place || m_zones[other]->currentIndex() != index)
            continue;
        const auto missing = std::find(used.begin(), used.end(), false);
        m_showing = true;
        m_zones[other]->setCurrentIndex(int(missing - used.begin()));
        m_showing = false;
    }
    RefreshLegend();
}

void CTierlayoutPage::OnFreeSpaceChanged()
{
    if (m_freeSpaceWarning) {
        qulonglong requested = 0;
        for (const QSpinBox* gap : std::as_const(m_gaps))
            requested += qulonglong(gap->value()) * 1024 * 1024;
        m_freeSpaceWarning->setVisible(m_freeBytes && requested > *m_freeBytes);
    }
    RefreshLegend();
}

void CTierlayoutPage::RefreshLegend()
{
    if (!m_legend || m_showing)
        return;
    while (QLayoutItem* item = m_legend->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const CBitmapColors::TTable colors = CBitmapColors::Load();
    const TTierStrategy strategy = Strategy();
    for (int place = 0; place < kZoneCount; ++place) {
        const uint zone = strategy.zoneOrder[size_t(place)];
        m_legend->addWidget(new CTierBlockLegendItem(
            CBitmapColors::ColorOf(colors, kZoneCodes[zone]), Translate(kZoneNames[zone]), this));
        if (place < kGapCount && strategy.freeSpaceGapsKb[size_t(place)] > 0)
            m_legend->addWidget(
                new CTierBlockLegendItem(CBitmapColors::ColorOf(colors, CBitmapColors::kFreeSpace),
                                         u"%1 MB"_s.arg(m_gaps[place]->value()), this));
    }
    m_legend->addStretch(1);
}

void CTierlayoutPage::OnRadioClick()
{
    if (!m_custom)
        return;
    const bool custom = m_customRadio->isChecked();
    m_custom->setEnabled(custom);
    m_preset->setEnabled(!custom);
    if (!custom)
        OnPresetChanged(m_preset->currentIndex());
    OnIgnoreGreater();
}

void CTierlayoutPage::OnPresetChanged(int index)
{
    if (m_showing)
        return;
    if (index >= 0 && index < TTierStrategy::kPresetCount)
        Show(TTierStrategy::Preset(index));
    else
        Show(m_loaded);
}

void CTierlayoutPage::OnPresetHelp()
{
    const int preset = std::max(0, Preset());
    if (IAppController* app = IAppController::Current())
        app->ContextHelp(kFullHelpTopic + QLatin1StringView(kPresetAnchors[preset]));
}

void CTierlayoutPage::OnReset()
{
    Show(m_loaded);
}
