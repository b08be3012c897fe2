#pragma once

#include "reports/balance.h"
#include "store/result.h"
#include "store/students.h"

#include <QList>
#include <QSqlDatabase>

#include <array>
#include <optional>
#include <vector>

namespace fenban::reports {

// The five numbers a box plot draws.
struct BoxFigures {
    double lowerExtreme = 0.0;
    double lowerQuartile = 0.0;
    double median = 0.0;
    double upperQuartile = 0.0;
    double upperExtreme = 0.0;

    bool operator==(const BoxFigures &) const = default;
};

// Quartiles interpolate linearly between the sorted values (position p·(n−1)), so a class of one
// student is a box of zero height and two students give the halfway points. Nothing for no values.
std::optional<BoxFigures> boxFigures(std::vector<double> values);

// What the balance charts need beside the balance report: the reference line of the means and the
// spread of the totals per class.
struct ChartFigures {
    // Mean of every student of the project (placed or not), measures as in the balance report. A
    // subject averages the students who have a score in it; the total counts a missing score as 0,
    // as the total does everywhere in the program.
    std::array<double, measureCount> cohortMean{};
    // Classes 1..classCount in order; nothing for an empty class.
    std::vector<std::optional<BoxFigures>> totalBoxes;
};

ChartFigures chartFigures(const QList<store::StudentRecord> &students, int classCount);

// Reads the project's students and class count and works out their chart figures.
store::Result<ChartFigures> loadChartFigures(QSqlDatabase db, int projectId);

} // namespace fenban::reports
