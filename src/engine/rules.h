#pragma once

#include "engine/subject.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace fenban {

struct StudentRow;

// Bands below 0 and above this fold into the ends, so that no score, however odd, can index
// outside a table of band targets.
inline constexpr int highestBand = 1000;
using BandTargets = std::array<int, highestBand + 1>;

// The measures a class is averaged on: the nine subjects in subject order, then the total.
inline constexpr std::size_t measureCount = subjectCount + 1;
inline constexpr std::size_t totalMeasure = subjectCount;

inline constexpr std::string_view boyText = "男";
inline constexpr std::string_view girlText = "女";

// Whose verdict alone (on bands, and on averages where a model screens those too) settles that
// trying an exchange changes nothing: the mover's class when no re-check runs (nothing is counted
// then), the partner's class when one does (its failing re-check keeps and counts nothing). None
// when bands are not judged.
enum class BandScreen { none, moverClass, partnerClass };

// Integer part of score / 10, held within 0..highestBand.
int scoreBand(double score);

// Nearest whole number, halves to the even neighbour, saturated to the int range (NaN gives 0).
int roundHalfEven(double value);

// Drops blanks (space, tab, ideographic space) at both ends; sex columns come padded.
std::string_view trimBlanks(std::string_view text);

// Verdict on taking a student out of one band of a class and putting one into another band, given
// the class's counts and targets of the two bands.
inline int bandVerdict(int countOut, int targetOut, int countIn, int targetIn, int inter) {
    if (targetOut < countOut && targetIn > countIn)
        return 1;
    // In 64 bits: an extreme tolerance from the settings must not overflow the comparison.
    const long long surplus =
        (static_cast<long long>(countOut) - targetOut) - (static_cast<long long>(countIn) - targetIn);
    return surplus > inter ? 1 : -1;
}

// The one-letter code of a subject as the text the class model is asked with.
std::string_view subjectCode(std::size_t subject);

// Sum of the nine scores of a row, added in subject order.
double rowTotal(const StudentRow &row);

} // namespace fenban
