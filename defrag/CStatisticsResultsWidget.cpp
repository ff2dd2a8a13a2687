#include "defrag/CStatisticsResultsWidget.h"

#include "appmodel/IDefragController.h"
#include "core/CTextFormat.h"
#include "defrag/CStatisticsReport.h"
#include "defrag/CStatisticsReportFile.h"
#include "defrag/CStatisticsTables.h"
#include "platform/CComputerName.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kResultsContext = "CStatisticsResultsWidget";

QString ResultsText(const char* source)
{
    return CTranslatable::Translate(source, kResultsContext);
}

// The reason bits in the order their phrases are joined.
struct TReason {
    quint32 bit;
    const char* phrase;
};
constexpr TReason kReasons[] = {
    {0x01, "file fragmentation is high"},      {0x02, "directory fragmentation is high"},
    {0x04, "largest free space chunk is low"}, {0x40, "free space fragmentation is high"},
    {0x08, "MFT fragmentation is high"},       {0x10, "pagefile fragmentation is high"},
    {0x20, "metadata fragmentation is high"},
};

QString ImagePath(const QString& name)
{
    return u":/images/"_s + name;
}

// A table as tall as its lines: the page scrolls, not the table.
class CResultsTable : public QTableWidget {
public:
    using QTableWidget::QTableWidget;

    QSize sizeHint() const override
    {
        const int width =
            verticalHeader()->width() + horizontalHeader()->length() + 2 * frameWidth();
        return {width, minimumSizeHint().height()};
    }
    QSize minimumSizeHint() const override
    {
        const int height =
            horizontalHeader()->height() + verticalHeader()->length() + 2 * frameWidth();
        return {QTableWidget::minimumSizeHint().width(), height};
    }
};

template <typename TRecord>
QList<CStatisticsResultsWidget::TRow> SystemFileGroupRows(const TRecord& r, bool withBootFiles)
{
    const auto count = &CStatisticsResultsWidget::CountText;
    const auto size = &CStatisticsReport::SizeText;
    const auto percent = &CStatisticsResultsWidget::PercentText;
    QList<CStatisticsResultsWidget::TRow> rows = {
        {ResultsText("Metadata"),
         r.metadataStatus,
         {count(r.metadataExcessFragments), size(r.metadataSize),
          percent(r.metadataFragmentation)}},
        {ResultsText("MFT"),
         r.mftStatus,
         {count(r.mftExcessFragments), size(r.mftSize), percent(r.mftFragmentation)}},
        {ResultsText("Pagefile"),
         r.pagefileStatus,
         {count(r.pagefileExcessFragments), size(r.pagefileSize),
          percent(r.pagefileFragmentation)}},
    };
    if (withBootFiles)
        rows.append({ResultsText("Boot files"),
                     r.bootFilesStatus,
                     {count(r.bootFilesExcessFragments), size(r.bootFilesSize),
                      percent(r.bootFilesFragmentation)}});
    return rows;
}

} // namespace

CStatisticsResultsWidget::CStatisticsResultsWidget(CDefrager& model, IDefragController& controller,
                                                   const char* translationContext, QWidget* parent)
    : QWidget(parent)
    , CTranslatable(translationContext)
    , m_model(model)
    , m_controller(controller)
    , m_started(new QLabel)
    , m_finished(new QLabel)
    , m_cpuTime(new QLabel)
    , m_times(new QWidget)
    , m_bodyLayout(new QVBoxLayout)
    , m_save(new QPushButton(ResultsText("Save Statistics")))
    , m_print(new QPushButton(ResultsText("Print Statistics")))
{
    setObjectName(u"StatisticsResults"_s);
    auto* times = new QGridLayout(m_times);
    times->setContentsMargins(0, 0, 0, 0);
    times->setHorizontalSpacing(12);
    const QList<std::pair<const char*, QLabel*>> timeLines = {
        {"Started", m_started}, {"Finished", m_finished}, {"CPU Time", m_cpuTime}};
    for (int i = 0; i < timeLines.size(); ++i) {
        auto* name = new QLabel(ResultsText(timeLines[i].first));
        name->setTextFormat(Qt::PlainText);
        timeLines[i].second->setTextFormat(Qt::PlainText);
        timeLines[i].second->setObjectName(QString::fromLatin1(timeLines[i].first));
        times->addWidget(name, i, 0);
        times->addWidget(timeLines[i].second, i, 1);
    }
    times->setColumnStretch(2, 1);

    m_save->setObjectName(u"SaveStatistics"_s);
    m_print->setObjectName(u"PrintStatistics"_s);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_print);

    m_bodyLayout->setContentsMargins(0, 0, 0, 0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_times);
    layout->addLayout(m_bodyLayout);
    layout->addLayout(buttons);
    layout->addStretch(1);

    connect(m_save, &QPushButton::clicked, this, &CStatisticsResultsWidget::OnSaveStats);
    connect(m_print, &QPushButton::clicked, this, &CStatisticsResultsWidget::OnPrintStats);
}

CStatisticsResultsWidget::~CStatisticsResultsWidget() = default;

void CStatisticsResultsWidget::ShowVolume(const TId& volume)
{
    m_volume = volume;
    const CDefrager::TVolumeInfo* info = m_model.FindVolume(volume);
    m_found = info ? FindRecord(*info) : TFound{};
    const CDefragStatisticsData::CBase* record = m_found.record.get();

    const auto timeText = [](const CDateTime& time) {
        return time.IsValid() ? CTextFormat::LocaleDateTimeText(time.ToDateTime()) : QString();
    };
    m_started->setText(record ? timeText(record->startTime) : QString());
    m_finished->setText(record ? timeText(record->endTime) : QString());
    m_cpuTime->setText(record ? CStatisticsReport::DurationText(record->cpuTime) : QString());
    // Records the engine gives no times for (a skipped pass) show none.
    m_times->setVisible(record && (record->startTime.IsValid() || record->endTime.IsValid()));
    m_save->setEnabled(record != nullptr);
    m_print->setEnabled(record != nullptr);

    if (m_body) {
        // Later: a button of the old body may be what asked for the new one.
        m_bodyLayout->removeWidget(m_body);
        m_body->hide();
        m_body->deleteLater();
    }
    m_body = new QWidget;
    auto* body = new QVBoxLayout(m_body);
    body->setContentsMargins(0, 0, 0, 0);
    if (info)
        Fill(*body, *info, record);
    m_bodyLayout->addWidget(m_body);
}

void CStatisticsResultsWidget::SetComputerName(TComputerName computerName)
{
    m_computerName = std::move(computerName);
}

void CStatisticsResultsWidget::SetPrintCheck(TPrintCheck check)
{
    m_printCheck = std::move(check);
}

// --- texts

QString CStatisticsResultsWidget::PercentText(double percent)
{
    return CStatisticsTables::PercentText(std::isfinite(percent) ? percent : 0.0);
}

QString CStatisticsResultsWidget::CountText(qint64 count)
{
    return count < 0 ? QString() : QString::number(count);
}

QString CStatisticsResultsWidget::ReasonsText(quint32 reasons)
{
    QStringList phrases;
    for (const TReason& reason : kReasons)
        if (reasons & reason.bit)
            phrases.append(ResultsText(reason.phrase));
    return phrases.join(u", "_s);
}

QString CStatisticsResultsWidget::RowIconName(int status)
{
    switch (status) {
    case 0:
        return u"bullet_info_16.png"_s;
    case 1:
        return u"bullet_warning_16.png"_s;
    default:
        return u"bullet_error_16.png"_s;
    }
}

CStatisticsResultsWidget::TRating CStatisticsResultsWidget::Rating(int rating)
{
    switch (rating) {
    case 0:
        return {ResultsText("Your drive is optimized for peak performance"),
                ResultsText("(EXCELLENT)"), u"status_excellent_16.png"_s};
    case 1:
        return {ResultsText("Your drive performance is good"), ResultsText("(GOOD)"),
                u"status_good_16.png"_s};
    case 2:
        return {ResultsText("Your drive performance is poor"), ResultsText("(POOR)"),
                u"status_poor_16.png"_s};
    default:
        return {ResultsText("Error: Unknown status"), {}, {}};
    }
}

QString CStatisticsResultsWidget::RecommendationText(quint32 nextPass, quint32 reasons, bool ntfs,
                                                     bool afterOnlinePass)
{
    const QString because = ReasonsText(reasons);
    if (because.isEmpty())
        return {};
    const char* line = nullptr;
    switch (nextPass) {
    case kNextSystemFiles:
        // System files are defragmented at boot time on NTFS volumes only.
        if (!ntfs)
            return {};
        line = afterOnlinePass ? "Next step to improve system performance: <b>System Files "
                                 "Defragmentation</b> pass because %1."
                               : "Next step to improve system performance: <b>Boot Time "
                                 "Defragmentation</b> pass because %1.";
        break;
    case kNextDefragOnly:
        line = "Next step to improve system performance: <b>Defrag Only</b> pass because %1.";
        break;
    case kNextTierLayout:
        line = "Next step to improve system performance: <b>TierLayout</b> pass because %1.";
        break;
    default:
        return {};
    }
    return CTranslatable::Translate(line, kResultsContext).Arg(because).Text();
}

double CStatisticsResultsWidget::EndOf(const CDefragStatisticsData::CBase& record)
{
    if (record.endTime.IsValid())
        return record.endTime.Value();
    if (record.startTime.IsValid())
        return record.startTime.Value();
    return -std::numeric_limits<double>::infinity();
}

// --- parts of the body

QWidget* CStatisticsResultsWidget::MakeTable(const QString& nameHeader, const QStringList& columns,
                                             const QList<TRow>& rows)
{
    auto* table = new CResultsTable(int(rows.size()), int(columns.size()) + 1);
    table->setObjectName(u"StatisticsResultsTable"_s);
    table->setHorizontalHeaderLabels(QStringList{nameHeader} + columns);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int row = 0; row < rows.size(); ++row) {
        const TRow& line = rows.at(row);
        auto* name = new QTableWidgetItem(line.name);
        if (line.status >= 0)
            name->setIcon(QIcon(ImagePath(RowIconName(line.status))));
        table->setItem(row, 0, name);
        for (int column = 0; column < line.cells.size() && column < columns.size(); ++column) {
            auto* cell = new QTableWidgetItem(line.cells.at(column));
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(row, column + 1, cell);
        }
    }
    table->resizeColumnsToContents();
    table->resizeRowsToContents();
    // As wide as its columns: the figures stay next to their names.
    table->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    return table;
}

QWidget* CStatisticsResultsWidget::MakeNotice(const QString& iconName, const QString& text)
{
    auto* notice = new QWidget;
    auto* layout = new QHBoxLayout(notice);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!iconName.isEmpty()) {
        auto* icon = new QLabel;
        icon->setObjectName(u"NoticeIcon"_s);
        icon->setPixmap(QIcon(ImagePath(iconName)).pixmap(16, 16));
        icon->setAlignment(Qt::AlignTop);
        layout->addWidget(icon);
    }
    auto* label = new QLabel(text);
    label->setObjectName(u"NoticeText"_s);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    layout->addWidget(label, 1);
    return notice;
}

QWidget* CStatisticsResultsWidget::MakeLine(const QString& name, const QString& value)
{
    auto* line = new QWidget;
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    auto* nameLabel = new QLabel(name);
    nameLabel->setTextFormat(Qt::PlainText);
    auto* valueLabel = new QLabel(value);
    valueLabel->setObjectName(name);
    valueLabel->setTextFormat(Qt::PlainText);
    layout->addWidget(nameLabel);
    layout->addWidget(valueLabel);
    layout->addStretch(1);
    return line;
}

QWidget* CStatisticsResultsWidget::MakeRatingLine(int rating)
{
    const TRating text = Rating(rating);
    QWidget* line = MakeNotice(
        text.icon, text.suffix.isEmpty() ? text.sentence : text.sentence + u' ' + text.suffix);
    line->setObjectName(u"RatingLine"_s);
    QFont bold = line->font();
    bold.setBold(true);
    line->setFont(bold);
    return line;
}

QList<CStatisticsResultsWidget::TRow>
CStatisticsResultsWidget::SystemFileRows(const CDefragStatisticsData::CAnalyse& record,
                                         bool withBootFiles)
{
    return SystemFileGroupRows(record, withBootFiles);
}

QList<CStatisticsResultsWidget::TRow>
CStatisticsResultsWidget::SystemFileRows(const CDefragStatisticsData::COnline& record,
                                         bool withBootFiles)
{
    return SystemFileGroupRows(record, withBootFiles);
}

QWidget* CStatisticsResultsWidget::MakeRecommendation(quint32 nextPass, quint32 reasons, bool ntfs,
                                                      bool afterOnlinePass)
{
    const QString text = RecommendationText(nextPass, reasons, ntfs, afterOnlinePass);
    if (text.isEmpty())
        return nullptr;
    auto* line = new QWidget;
    line->setObjectName(u"Recommendation"_s);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(text);
    label->setObjectName(u"RecommendationText"_s);
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    auto* start = new QPushButton(Translate("Start"));
    start->setObjectName(u"RecommendationStart"_s);
    switch (nextPass) {
    case kNextSystemFiles:
        start->setToolTip(Translate("Boot Time"));
        connect(start, &QPushButton::clicked, this, &CStatisticsResultsWidget::OnStartSystemFiles);
        break;
    case kNextDefragOnly:
        start->setToolTip(Translate("Defrag Only"));
        connect(start, &QPushButton::clicked, this, &CStatisticsResultsWidget::OnStartDefragOnly);
        break;
    default:
        start->setToolTip(Translate("TierLayout"));
        connect(start, &QPushButton::clicked, this, &CStatisticsResultsWidget::OnStartTierLayout);
        break;
    }
    layout->addWidget(label, 1);
    layout->addWidget(start, 0, Qt::AlignTop);
    return line;
}

// --- commands

std::optional<CStatisticsReport::TData> CStatisticsResultsWidget::ReportData() const
{
    const CDefrager::TVolumeInfo* volume = m_model.FindVolume(m_volume);
    if (!volume || !m_found.record)
        return std::nullopt;
    QString computer = m_computerName ? m_computerName() : QString();
    if (computer.isEmpty())
        computer = CComputerName::Local();
    return CStatisticsReport::FromVolume(*volume, m_found.key, computer.toStdWString());
}

void CStatisticsResultsWidget::OnSaveStats()
{
    if (const auto data = ReportData())
        CStatisticsReportFile::Save(this, *data);
}

void CStatisticsResultsWidget::OnPrintStats()
{
    const auto data = ReportData();
    if (!data)
        return;
    if (!m_printCheck) {
        CStatisticsPrinter::Print(this, *data);
        return;
    }
    const TPrintAvailability available = m_printCheck();
    CStatisticsPrinter::Print(this, *data, available.printer, available.fileOutput);
}

bool CStatisticsResultsWidget::MakeShownVolumeCurrent()
{
    if (m_volume.empty() || !m_model.Contains(m_volume))
        return false;
    if (m_model.CurrentVolume() != m_volume)
        m_controller.SetCurrentVolume(m_volume);
    return m_model.CurrentVolume() == m_volume;
}

void CStatisticsResultsWidget::OnStartSystemFiles()
{
    if (!m_volume.empty() && m_model.Contains(m_volume))
        m_controller.SystemFiles(m_volume);
}

void CStatisticsResultsWidget::OnStartDefragOnly()
{
    // The operation acts on the current volume.
    const TId volume = m_volume;
    if (MakeShownVolumeCurrent() && m_model.CurrentVolume() == volume)
        m_controller.EntireDriveDefragOnly();
}

void CStatisticsResultsWidget::OnStartTierLayout()
{
    const TId volume = m_volume;
    if (MakeShownVolumeCurrent() && m_model.CurrentVolume() == volume)
        m_controller.EntireDriveTierLayout();
}
