#include "gui/painted_chart.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace fenban::gui {

namespace {

// Fixed colours on a white ground, as printed charts look, whatever the desktop's theme.
constexpr std::array<QRgb, 8> setColours{0x209fdf, 0x99ca53, 0xf6a625, 0x6d5fd5,
                                         0xbf593e, 0x3fb8a4, 0xe26fb0, 0x8c8c8c};
constexpr QRgb referenceColour = 0xd9372b;
constexpr QRgb inkColour = 0x303030;
constexpr QRgb gridColour = 0xe0e0e0;

QColor setColour(qsizetype index) {
    return QColor(setColours[std::size_t(index) % setColours.size()]);
}

struct LegendEntry {
    QString name;
    QColor colour;
    bool line = false;
};

} // namespace

PaintedChart::PaintedChart(const QString &title, QWidget *parent) : QWidget(parent) {
    m_content.title = title;
    setMinimumSize(300, 200);
}

void PaintedChart::setContent(const ChartContent &content) {
    m_content = content;
    update();
}

PaintedChart::Scale PaintedChart::scaleFor(const ChartContent &content) {
    Scale scale;
    if (content.kind == ChartContent::Kind::StackedBars) {
        // Head-counts: whole numbers from 0, about five marks, the top mark at or over the tallest.
        const int tallest = std::isfinite(content.highest) ? std::max(0, int(std::ceil(content.highest))) : 0;
        const int step = std::max(1, (tallest + 4) / 5);
        const int top = std::max(step, (tallest + step - 1) / step * step);
        for (int tick = 0; tick <= top; tick += step)
            scale.ticks.append(tick);
        return scale;
    }
    // Differences of a few tenths are what matters, so the scale spans the values with room around
    // them rather than starting at 0.
    double low = 0.0;
    double high = 1.0;
    if (content.lowest <= content.highest && std::isfinite(content.lowest) &&
        std::isfinite(content.highest)) {
        const double room = std::max((content.highest - content.lowest) * 0.5, 0.5);
        low = content.lowest - room;
        high = content.highest + room;
    }
    // Marks 1, 2 or 5 times a power of ten apart, about five of them, on round values.
    const double rough = (high - low) / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10.0 * power;
    for (const double factor : {1.0, 2.0, 5.0})
        if (rough <= factor * power) {
            step = factor * power;
            break;
        }
    const double first = std::floor(low / step);
    const auto count = long(std::lround(std::ceil(high / step) - first));
    for (long i = 0; i <= count; ++i)
        scale.ticks.append((first + double(i)) * step);
    scale.decimals = std::max(0, -int(std::floor(std::log10(step) + 1e-9)));
    return scale;
}

void PaintedChart::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    const QRect area = rect().adjusted(6, 4, -6, -4);
    const QColor ink(inkColour);

    QFont titleFont = font();
    titleFont.setBold(true);
    const int titleHeight = QFontMetrics(titleFont).height();
    painter.setFont(titleFont);
    painter.setPen(ink);
    painter.drawText(QRect(area.left(), area.top(), area.width(), titleHeight), Qt::AlignCenter,
                     m_content.title);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();

    QList<LegendEntry> legend;
    if (m_content.legend) {
        for (qsizetype i = 0; i < m_content.sets.size(); ++i)
            legend.append({m_content.sets[i].name, setColour(i), false});
        if (m_content.reference)
            legend.append({m_content.reference->name, QColor(referenceColour), true});
    }
    constexpr int swatchWidth = 14;
    int legendWidth = 0;
    for (const LegendEntry &entry : legend)
        legendWidth = std::max(legendWidth, swatchWidth + 8 + metrics.horizontalAdvance(entry.name));
    // Long category names give way to the plot.
    legendWidth = std::min(legendWidth, area.width() / 3);

    const Scale scale = scaleFor(m_content);
    QStringList tickLabels;
    int labelWidth = 0;
    for (const double tick : scale.ticks) {
        tickLabels.append(QString::number(tick, 'f', scale.decimals));
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(tickLabels.last()));
    }
    const int top = area.top() + titleHeight + lineHeight / 2 + 4;
    const QRect plot(area.left() + labelWidth + 6, top,
                     area.width() - labelWidth - 6 - (legendWidth ? legendWidth + 10 : 0),
                     area.bottom() - lineHeight - 4 - top);
    if (plot.width() < 20 || plot.height() < 20 || scale.ticks.size() < 2)
        return;

    const double low = scale.ticks.first();
    const double high = scale.ticks.last();
    const auto yOf = [&](double value) {
        return double(plot.bottom()) - (value - low) / (high - low) * double(plot.height());
    };

    for (qsizetype i = 0; i < scale.ticks.size(); ++i) {
        const double y = yOf(scale.ticks[i]);
        painter.setPen(QColor(gridColour));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(ink);
        painter.drawText(QRectF(area.left(), y - lineHeight / 2.0, labelWidth, lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter, tickLabels[i]);
    }
    painter.setPen(ink);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.topLeft(), plot.bottomLeft());

    const qsizetype classCount = m_content.classes.size();
    const double slot = classCount > 0 ? double(plot.width()) / double(classCount) : 0.0;
    const auto centreOf = [&](qsizetype place) {
        return double(plot.left()) + slot * (double(place) + 0.5);
    };
    // Where the names of many classes would run into each other, every second (third, ...) is named.
    int widest = 0;
    for (const QString &label : m_content.classes)
        widest = std::max(widest, metrics.horizontalAdvance(label));
    const qsizetype every = slot > 0 ? std::max<qsizetype>(1, qsizetype(std::ceil((widest + 4) / slot))) : 1;
    for (qsizetype c = 0; c < classCount; c += every)
        painter.drawText(QRectF(centreOf(c) - slot * double(every) / 2.0, plot.bottom() + 3,
                                slot * double(every), lineHeight),
                         Qt::AlignHCenter | Qt::AlignTop, m_content.classes[c]);

    painter.save();
    painter.setClipRect(plot);
    // Bars stand on the bottom of the plot, or on 0 where the scale shows it.
    const double base = std::clamp(yOf(0.0), double(plot.top()), double(plot.bottom()));
    const auto bar = [&](double left, double width, double from, double to, const QColor &colour) {
        const QRectF shape(QPointF(left, std::min(from, to)), QPointF(left + width, std::max(from, to)));
        painter.fillRect(shape, colour);
        painter.setPen(colour.darker(130));
        painter.drawRect(shape);
    };
    switch (m_content.kind) {
    case ChartContent::Kind::Bars: {
        const double group = slot * 0.5;
        const double width = m_content.sets.isEmpty() ? 0.0 : group / double(m_content.sets.size());
        for (qsizetype s = 0; s < m_content.sets.size(); ++s) {
            const QList<double> &values = m_content.sets[s].values;
            for (qsizetype c = 0; c < std::min(classCount, values.size()); ++c)
                bar(centreOf(c) - group / 2.0 + double(s) * width, width, base, yOf(values[c]), setColour(s));
        }
        break;
    }
    case ChartContent::Kind::StackedBars: {
        const double width = slot * 0.5;
        for (qsizetype c = 0; c < classCount; ++c) {
            double below = 0.0;
            for (qsizetype s = 0; s < m_content.sets.size(); ++s) {
                const double value = m_content.sets[s].values.value(c);
                if (value > 0)
                    bar(centreOf(c) - width / 2.0, width, yOf(below), yOf(below + value), setColour(s));
                below += value;
            }
        }
        break;
    }
    case ChartContent::Kind::Boxes: {
        const double width = slot * 0.5;
        for (qsizetype c = 0; c < std::min(classCount, qsizetype(m_content.boxes.size())); ++c) {
            const auto &figures = m_content.boxes[std::size_t(c)];
            if (!figures)
                continue;
            const double x = centreOf(c);
            painter.setPen(QPen(ink, 1.0));
            painter.drawLine(QPointF(x, yOf(figures->lowerExtreme)), QPointF(x, yOf(figures->upperExtreme)));
            for (const double end : {figures->lowerExtreme, figures->upperExtreme})
                painter.drawLine(QPointF(x - width / 4.0, yOf(end)), QPointF(x + width / 4.0, yOf(end)));
            bar(x - width / 2.0, width, yOf(figures->lowerQuartile), yOf(figures->upperQuartile),
                setColour(0));
            painter.setPen(QPen(ink, 2.0));
            painter.drawLine(QPointF(x - width / 2.0, yOf(figures->median)),
                             QPointF(x + width / 2.0, yOf(figures->median)));
        }
        break;
    }
    }
    if (m_content.reference) {
        painter.setPen(QPen(QColor(referenceColour), 2.0));
        const double y = yOf(m_content.reference->value);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    painter.restore();

    const int legendLeft = plot.right() + 10;
    double y = plot.top();
    for (const LegendEntry &entry : legend) {
        const QRectF swatch(legendLeft, y + (lineHeight - 10) / 2.0, swatchWidth, 10);
        if (entry.line) {
            painter.setPen(QPen(entry.colour, 2.0));
            painter.drawLine(QPointF(swatch.left(), swatch.center().y()),
                             QPointF(swatch.right(), swatch.center().y()));
        } else {
            painter.fillRect(swatch, entry.colour);
        }
        painter.setPen(ink);
        const int textWidth = legendWidth - swatchWidth - 4;
        painter.drawText(QRectF(legendLeft + swatchWidth + 4, y, textWidth, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(entry.name, Qt::ElideRight, textWidth));
        y += lineHeight + 2;
    }
}

} // namespace fenban::gui
