#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"
#include "defrag/CDefrager.h"
#include "defrag/CStatisticsReport.h"
#include "engine/CDefragStatisticsData.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class IDefragController;
class QLabel;
class QPushButton;
class QVBoxLayout;

// The results of a volume's last pass as one kind of record shows them, between the times of
// the pass above and the buttons that save and print the statistics report below. Each kind
// finds its record in the drive model and fills the body; ShowVolume reads everything afresh.
class CStatisticsResultsWidget : public QWidget, public CTranslatable {
    Q_OBJECT

public:
    using TRecord = std::shared_ptr<const CDefragStatisticsData::CBase>;
    // A record of the drive record's statistics and the key it is kept under.
    struct TFound {
        quint32 key = 0;
        TRecord record;
    };
    // Whether the report can be printed: an installed printer, output into a file.
    struct TPrintAvailability {
        bool printer = false;
        bool fileOutput = false;
    };
    using TPrintCheck = std::function<TPrintAvailability()>;
    // The name of the computer whose engine gave the statistics, for the report.
    using TComputerName = std::function<QString()>;

    // A table line: the row's name with its status icon (none for a negative status) and its
    // cells.
    struct TRow {
        QString name;
        int status = -1;
        QStringList cells;
    };

    // The recommended next passes, as the record's stop reason code names them.
    enum TNextPass : quint32 {
        kNoNextPass = 0,
        kNextSystemFiles = 1,
        kNextDefragOnly = 2,
        kNextTierLayout = 3,
    };

    ~CStatisticsResultsWidget() override;

    // Shows the volume's record of this kind; an unknown volume or no record leaves the times
    // empty and the buttons disabled.
    void ShowVolume(const TId& volume);
    const TId& Volume() const { return m_volume; }
    const TFound& Found() const { return m_found; }

    void SetComputerName(TComputerName computerName);
    // Replaces the lookup of printers and file output; an empty one restores it.
    void SetPrintCheck(TPrintCheck check);

    // One decimal by the number text rule, then "%"; below 100 padded with blanks in front so
    // that the numbers line up (7.24 gives "  7.2%"). A value that is not a number shows as 0.
    static QString PercentText(double percent);
    // A count of the record; empty when not known (negative).
    static QString CountText(qint64 count);
    // The phrases of the set reason bits joined with ", " in their fixed order; unknown bits
    // are left out.
    static QString ReasonsText(quint32 reasons);
    // 0 info, 1 warning, anything else error.
    static QString RowIconName(int status);
    // The rating's sentence, suffix and icon; outside 0 to 2 "Error: Unknown status" without
    // suffix or icon.
    struct TRating {
        QString sentence;
        QString suffix;
        QString icon;
    };
    static TRating Rating(int rating);
    // The recommendation line of a record's stop reason and reason mask; empty when the record
    // recommends nothing that can be offered (no known reason, a boot-time pass off NTFS).
    static QString RecommendationText(quint32 nextPass, quint32 reasons, bool ntfs,
                                      bool afterOnlinePass);

    // The newest record of the class among the volume's statistics (by end time); none when
    // the volume has no record of that class.
    template <typename TClass>
    static TFound NewestRecord(const CDefrager::TVolumeInfo& volume);
    // The end time as an OLE date; records without one count as the oldest.
    static double EndOf(const CDefragStatisticsData::CBase& record);

public slots:
    // "Save Statistics": the report of the shown record through the file dialog.
    void OnSaveStats();
    // "Print Statistics": the printed report, or "There is no installed printer".
    void OnPrintStats();
    // The recommended next passes, for the shown volume.
    void OnStartSystemFiles();
    void OnStartDefragOnly();
    void OnStartTierLayout();

protected:
    CStatisticsResultsWidget(CDefrager& model, IDefragController& controller,
                             const char* translationContext, QWidget* parent);

    // The record this kind shows.
    virtual TFound FindRecord(const CDefrager::TVolumeInfo& volume) const = 0;
    // Fills the body for the volume; record is null when the volume has none of this kind.
    virtual void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
                      const CDefragStatisticsData::CBase* record) = 0;

    // Parts of the body.
    // A table whose first column holds the rows' names under nameHeader.
    static QWidget* MakeTable(const QString& nameHeader, const QStringList& columns,
                              const QList<TRow>& rows);
    static QWidget* MakeNotice(const QString& iconName, const QString& text);
    static QWidget* MakeLine(const QString& name, const QString& value);
    // The rating's icon and sentence with its suffix.
    static QWidget* MakeRatingLine(int rating);
    // The excess fragments, size and fragmentation of the system file groups: metadata, MFT,
    // pagefile, then the boot files when asked.
    static QList<TRow> SystemFileRows(const CDefragStatisticsData::CAnalyse& record,
                                      bool withBootFiles);
    static QList<TRow> SystemFileRows(const CDefragStatisticsData::COnline& record,
                                      bool withBootFiles);
    // The recommendation with its "Start" button; null when there is none.
    QWidget* MakeRecommendation(quint32 nextPass, quint32 reasons, bool ntfs, bool afterOnlinePass);

    CDefrager& m_model;
    IDefragController& m_controller;

private:
    // Makes the shown volume the current one, for the operations that act on that; false when
    // it cannot be.
    bool MakeShownVolumeCurrent();
    // The report of the shown record; none without one.
    std::optional<CStatisticsReport::TData> ReportData() const;

    TId m_volume;
    TFound m_found;
    TComputerName m_computerName;
    TPrintCheck m_printCheck;
    QLabel* m_started;
    QLabel* m_finished;
    QLabel* m_cpuTime;
    QWidget* m_times;
    QVBoxLayout* m_bodyLayout;
    QWidget* m_body = nullptr;
    QPushButton* m_save;
    QPushButton* m_print;
};

template <typename TClass>
CStatisticsResultsWidget::TFound
CStatisticsResultsWidget::NewestRecord(const CDefrager::TVolumeInfo& volume)
{
    TFound found;
    for (const auto& [key, record] : volume.statistics) {
        if (!dynamic_cast<const TClass*>(record.get()))
            continue;
        if (!found.record || EndOf(*record) >= EndOf(*found.record))
            found = {key, record};
    }
    return found;
}
