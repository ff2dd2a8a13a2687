#pragma once

#include "defrag/CDefrager.h"
#include "engine/CDefragStatisticsData.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

// The statistics report of one drive, saved as HTML or text or printed: the drive's description
// and the record of its last pass, cut into titled sections of table lines, then written out.
// Everything here is a pure function of the data it is given.
class CStatisticsReport {
public:
    // A line of a list section: most fragmented files, excluded files.
    struct TFileLine {
        TString path;
        qint64 fragments = -1; // -1 not known
        qint64 sizeBytes = -1;
        // Excluded files: 0 access denied, 1 metadata, 2 system file, 4 excluded.
        int reason = -1;
    };
    // A line of the file organisation and file type sections.
    struct TTypeLine {
        TString name;
        qint64 count = -1;
        qint64 sizeBytes = -1;
        double percent = -1.0; // of the drive; negative: not known
    };
    // Totals of the analysed files, when the engine gives them.
    struct TFileTotals {
        qint64 files = 0;
        qint64 fileBytes = 0;
        qint64 nonFragmentedFiles = 0;
        qint64 nonFragmentedBytes = 0;
        qint64 fragmentedBytes = 0;
    };

    struct TData {
        TString computerName;
        TId driveId;
        TName mountPoint;
        TName driveName;   // the label
        TName kvDriveName; // the name the console shows for the drive
        TString fileSystem;
        double driveSizeMegabytes = 0.0;
        // Bytes of a cluster; 0: not known.
        quint32 clusterBytes = 0;
        std::shared_ptr<const CDefragStatisticsData::CBase> statistics;
        std::optional<TFileTotals> totals;
        QList<TTypeLine> fileOrganization;
        QList<TTypeLine> fileTypes;
        QList<TFileLine> mostFragmented;
        QList<TFileLine> excluded;
    };

    struct TCell {
        QString text;
        bool header = false;
        // Printed pages only: the rating icon shown before the text.
        QString icon;
    };
    struct TSection {
        QString title; // none for the lines of the pass
        QList<QList<TCell>> lines;
        // A long list: starts on a new printed page.
        bool pageBreak = false;
    };

    enum TTarget {
        kSaved,
        kPrinted,
    };

    CStatisticsReport() = delete;

    // The report data of a drive record and the statistics kind shown (CDefrager's
    // TOptimizeMode kinds), with the record's lists and the drive's cluster size; no statistics
    // when the record has none of that kind.
    static TData FromVolume(const CDefrager::TVolumeInfo& volume, quint32 kind,
                            const TString& computerName);

    // The sections of the report in their order; those whose data the record kind and the drive
    // description lack are left out.
    static QList<TSection> Sections(const TData& data, TTarget target);

    static QString Html(const QList<TSection>& sections, TTarget target);
    static QString Text(const QList<TSection>& sections);
    static QString Html(const TData& data, TTarget target)
    {
        return Html(Sections(data, target), target);
    }
    static QString Text(const TData& data) { return Text(Sections(data, kSaved)); }

    // A name ending in ".html" or ".htm" (any case), or the HTML filter chosen, gives HTML.
    static bool IsHtmlChoice(const QString& fileName, const QString& chosenFilter);
    // The bytes of the file: an HTML page is pure ASCII (characters beyond it as references), a
    // text report UTF-8.
    static QByteArray FileBytes(const TData& data, bool html);

    // The rating word; "Error: Unknown status" outside 0 to 2.
    static QString RatingText(int rating);
    // A size field of a record, in bytes, as a byte size ("2 KB"); empty when it is no size
    // (negative, not finite, beyond what a byte count holds).
    static QString SizeText(double bytes);
    // Hours, minutes and seconds of a duration in milliseconds, to the nearest second: "1:02:03".
    static QString DurationText(double milliseconds);
    // Characters that HTML gives a meaning, and all beyond ASCII, as references.
    static QString HtmlEscaped(const QString& text);
};
