#include "engine/rules.h"

#include "engine/division.h"

#include <climits>
#include <cmath>

namespace fenban {

int scoreBand(double score) {
    const double tenth = score / 10.0;
    if (!(tenth >= 1.0))
        return 0;
    if (tenth >= highestBand)
        return highestBand;
    return static_cast<int>(tenth);
}

int roundHalfEven(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    // Explicit rather than nearbyint, so that a changed floating-point rounding mode cannot matter.
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    return static_cast<int>(whole);
}

std::string_view trimBlanks(std::string_view text) {
    constexpr std::string_view ideographicSpace = "\u3000";
    for (;;) {
        if (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        else if (text.starts_with(ideographicSpace))
            text.remove_prefix(ideographicSpace.size());
        else
            break;
    }
    for (;;) {
        if (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        else if (text.ends_with(ideographicSpace))
            text.remove_suffix(ideographicSpace.size());
        else
            break;
    }
    return text;
}

std::string_view subjectCode(std::size_t subject) {
    return {&subjects[subject].code, 1};
}

double rowTotal(const StudentRow &row) {
    double total = 0.0;
    for (const double score : row.scores)
        total += score;
    return total;
}

} // namespace fenban
