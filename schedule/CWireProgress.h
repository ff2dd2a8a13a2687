#pragma once

#include <QStringList>
#include <QVector>
#include <QWidget>

// The column of page markers at the side of a wizard: one numbered marker per visible page with
// its title and the summary of its choice, the current one lit. Hidden pages have no marker and
// do not take a number.
class CWireProgress : public QWidget {
    Q_OBJECT

public:
    explicit CWireProgress(QWidget* parent = nullptr);

    // One marker per page, in page order.
    void SetPages(const QStringList& titles);
    void SetSummary(int page, const QString& summary);
    void SetHidden(int page, bool hidden);
    void SetCurrent(int page);

    int Current() const { return m_current; }
    QString Summary(int page) const;
    // The number shown on a page's marker, 1 for the first visible page; 0 when hidden.
    int NumberOf(int page) const;
    // The image name of a marker: "wizard_number<n>_on.png" when current, else "_off".
    static QString MarkerImage(int number, bool current);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The height of a summary wrapped to the marker column, and of a page's whole row.
    int SummaryHeight(const QString& summary) const;
    int RowHeight(int page) const;

    struct TMarker {
        QString title;
        QString summary;
        bool hidden = false;
    };
    QVector<TMarker> m_markers;
    int m_current = -1;
};
