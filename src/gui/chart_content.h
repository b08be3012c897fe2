#pragma once

#include "reports/chart_figures.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QWidget;

namespace fenban::gui {

// What one balance chart shows, whatever draws it: the classes stand side by side along the bottom.
struct ChartContent {
    enum class Kind {
        Bars,        // the sets side by side in each class, the scale spanning the values
        StackedBars, // the sets on top of each other, counted from 0 in whole numbers
        Boxes,       // the spread of the values in each class
    };
    struct BarSet {
        QString name;
        QList<double> values; // one per class
    };
    // A level every class is compared with, drawn across the whole width.
    struct Reference {
        QString name;
        double value = 0.0;
    };

    QString title;
    Kind kind = Kind::Bars;
    QStringList classes;
    QList<BarSet> sets;
    // One per class; nothing for an empty class, which keeps its place.
    std::vector<std::optional<reports::BoxFigures>> boxes;
    QString boxesName;
    std::optional<Reference> reference;
    // The values the scale must reach (for stacked bars, the tallest stack); none when lowest > highest.
    double lowest = 0.0;
    double highest = -1.0;
    bool legend = true;
};

// Drawn by Qt Charts where the build has it, by the program's own painting where not; either way the
// view carries `objectName` and shows `title` until it is given a content.
QWidget *newChartView(const QString &objectName, const QString &title, QWidget *parent);
void showChart(QWidget *view, const ChartContent &content);

} // namespace fenban::gui
