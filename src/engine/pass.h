#pragma once

#include "engine/division.h"
#include "engine/rules.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <vector>

namespace fenban {

class Reporter;

// What one placement pass is told by the run around it.
struct PassParams {
    std::vector<int> classNumbers; // class_id of each class, in class order; never empty
    DivisionSettings settings;     // wtNum as this pass must use it
    bool reDivision = false;
};

// A placement pass over the rows of one table: places the waiting rows, fine-tunes, and writes
// class_id and type back into the rows.
using PassFunction = void (*)(std::vector<StudentRow> &table, const PassParams &params, Reporter &reporter);

void referencePass(std::vector<StudentRow> &table, const PassParams &params, Reporter &reporter);
void fastPass(std::vector<StudentRow> &table, const PassParams &params, Reporter &reporter);

// Fine-tuning passes a sex gets: none for a negative wtNum.
long tuningPassesPerSex(int wtNum);

// What fine-tuning measures classes against, taken from the table's placed rows (Placed or after).
struct PassFigures {
    std::array<int, measureCount> placedAvg{};
    std::array<BandTargets, subjectCount> bandTargets{};
};

// Empty when no row of the table is placed: there is then nothing to measure against.
std::optional<PassFigures> passFigures(const std::vector<StudentRow> &table, int numClass);

// How fine-tuning judges a class's averages against the placed ones. Both the pass and a model
// that screens partners ask holds(), so that a screen reaches the very verdict of the pass.
struct AveragesJudgement {
    std::array<double, measureCount> placed{}; // the placed averages as the deviations use them
    bool total = false;
    std::array<std::size_t, subjectCount> gainOrder{}; // subjects counted in the gain, in adding order
    std::size_t gainCount = 0;

    double deviation(std::size_t measure, double average) const { return placed[measure] - average; }

    // Whether a class whose deviations were `before` stays at least as close to the placed averages
    // with the averages `averageNow(measure)` gives.
    template <class Average>
    bool holds(const std::array<double, measureCount> &before, Average averageNow) const {
        if (total && !(std::fabs(before[totalMeasure]) >=
                       std::fabs(deviation(totalMeasure, averageNow(totalMeasure)))))
            return false;
        double gain = 0.0;
        for (std::size_t i = 0; i < gainCount; ++i) {
            const std::size_t m = gainOrder[i];
            gain = (std::fabs(before[m]) + gain) - std::fabs(deviation(m, averageNow(m)));
        }
        return gain >= 0.0;
    }
};

} // namespace fenban
