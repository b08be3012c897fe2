#pragma once

#include "gui/chart_content.h"

#include <QWidget>

namespace fenban::gui {

// A balance chart drawn with QPainter, for builds without Qt Charts: the title on top, the scale on
// the left with light lines across, a place per class along the bottom, the legend on the right.
class PaintedChart : public QWidget {
    Q_OBJECT

public:
    explicit PaintedChart(const QString &title, QWidget *parent = nullptr);

    void setContent(const ChartContent &content);
    // What is drawn now; for the tests, which have no other way to read a picture.
    const ChartContent &content() const { return m_content; }

    // The marks of the scale, from the bottom up; the first and the last bound the plot.
    struct Scale {
        QList<double> ticks;
        int decimals = 0;
    };
    static Scale scaleFor(const ChartContent &content);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ChartContent m_content;
};

} // namespace fenban::gui
