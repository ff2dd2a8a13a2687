#pragma once

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <vector>

// A painted bar chart of percentages: a title, a legend of the series (image and name), a value
// axis from 0 to 100 % with grid lines, and groups of bars side by side, one bar per series,
// each group labelled underneath. Category labels that would overlap are thinned out. Hovering
// over a bar shows its tool tip. Texts, axis and grid take the palette's colours, so the chart
// follows the skin; bars take their series' colour (the palette's highlight and a mid tone when
// none is given).
class CBarChartWidget : public QWidget {
    Q_OBJECT

public:
    struct TSeries {
        QString name;
        QColor color;
        // Shown in the legend before the name; a swatch of the colour when null.
        QPixmap legendImage;
    };

    struct TGroup {
        QString label;
        // One value per series, in percent; values outside 0 to 100 are drawn clipped, and a
        // value that is not a number draws no bar.
        QList<double> values;
        // One per series; an empty text shows no tool tip.
        QStringList toolTips;
    };

    explicit CBarChartWidget(QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    const QString& Title() const { return m_title; }
    void SetSeries(const QList<TSeries>& series);
    const QList<TSeries>& Series() const { return m_series; }
    void SetGroups(const QList<TGroup>& groups);
    const QList<TGroup>& Groups() const { return m_groups; }

    // The bar under a point of the widget: false when there is none, else its group and series.
    bool BarAt(const QPointF& point, int* group, int* series) const;
    // Where a bar is drawn; empty when it draws nothing.
    QRectF BarRect(int group, int series) const;
    // The tool tip of the bar under a point; empty when there is none.
    QString ToolTipAt(const QPointF& point) const;
    // The groups whose labels are drawn, in order.
    QList<int> LabelledGroups() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Geometry of everything drawn, worked out once per size, font or data change.
    void Layout() const;
    void Invalidate();
    QColor SeriesColor(int series) const;

    QString m_title;
    QList<TSeries> m_series;
    QList<TGroup> m_groups;

    mutable bool m_laidOut = false;
    mutable QRectF m_titleRect;
    mutable QRectF m_plotRect;
    mutable qreal m_labelTop = 0;
    // Legend entries: image or swatch, then the name.
    mutable std::vector<QRectF> m_legendImages;
    mutable std::vector<QRectF> m_legendTexts;
    // Per series, per group: the bar (empty when it draws nothing).
    mutable std::vector<std::vector<QRectF>> m_bars;
    mutable QList<int> m_labelled;
    mutable qreal m_groupWidth = 0;
};
