#include "engine/chosen_classes.h"

#include <algorithm>
#include <cstddef>

namespace fenban {

OptimiseResult optimiseChosenClasses(std::vector<StudentRow> &rows, const std::vector<int> &classNumbers,
                                     const OptimiseOptions &options, const OptimiseObserver &observer) {
    std::vector<int> chosen = classNumbers;
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    chosen.erase(std::remove_if(chosen.begin(), chosen.end(), [](int number) { return number < 1; }),
                 chosen.end());
    if (chosen.empty())
        return {OptimiseOutcome::Refused, "请选择要优化的班级"};

    // The search numbers its classes 1..K; the chosen classes take those numbers in order.
    std::vector<std::size_t> taking;
    std::vector<StudentRow> subset;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto found = std::lower_bound(chosen.begin(), chosen.end(), rows[i].classId);
        if (found == chosen.end() || *found != rows[i].classId)
            continue;
        taking.push_back(i);
        subset.push_back(rows[i]);
        subset.back().classId = static_cast<int>(found - chosen.begin()) + 1;
    }
    const OptimiseResult result = optimise(subset, static_cast<int>(chosen.size()), options, observer);
    for (std::size_t n = 0; n < taking.size(); ++n) {
        StudentRow &row = rows[taking[n]];
        const int position = subset[n].classId;
        // Every student of the subset had a class and keeps one; the guard only keeps a bad number out.
        if (position >= 1 && position <= static_cast<int>(chosen.size()))
            row.classId = chosen[static_cast<std::size_t>(position - 1)];
        row.type = subset[n].type;
    }
    return result;
}

} // namespace fenban
