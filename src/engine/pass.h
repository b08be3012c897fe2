#pragma once

#include "engine/division.h"
#include "engine/rules.h"

#include <array>
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

} // namespace fenban
