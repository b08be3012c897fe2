#include "engine/pass.h"

namespace fenban {

long tuningPassesPerSex(int wtNum) {
    return wtNum < 0 ? 0 : static_cast<long>(wtNum) + 1;
}

std::optional<PassFigures> passFigures(const std::vector<StudentRow> &table, int numClass) {
    std::array<double, measureCount> sums{};
    std::array<std::array<int, highestBand + 1>, subjectCount> inBand{};
    long placed = 0;
    for (const StudentRow &row : table) {
        if (row.type < Placement::Placed)
            continue;
        ++placed;
        for (std::size_t s = 0; s < subjectCount; ++s) {
            sums[s] += row.scores[s];
            ++inBand[s][scoreBand(row.scores[s])];
        }
        sums[totalMeasure] += rowTotal(row);
    }
    if (placed == 0)
        return std::nullopt;

    PassFigures figures;
    for (std::size_t m = 0; m < measureCount; ++m)
        figures.placedAvg[m] = roundHalfEven(sums[m] / static_cast<double>(placed));
    for (std::size_t s = 0; s < subjectCount; ++s) {
        for (int band = 0; band <= highestBand; ++band) {
            if (inBand[s][band] != 0)
                figures.bandTargets[s][band] = roundHalfEven(static_cast<double>(inBand[s][band]) / numClass);
        }
    }
    return figures;
}

} // namespace fenban
