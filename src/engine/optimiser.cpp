#include "engine/optimiser.h"

#include <algorithm>

namespace fenban {

OptimiseOptions optimiseOptions(const DivisionSettings &settings) {
    OptimiseOptions options;
    const auto on = [](int flag) {
        return flag == 1;
    };
    for (std::size_t i = 0; i < subjectCount; ++i)
        options.subjects[i] = true;
    options.subjects[*subjectIndexOfCode("C")] = on(settings.isAvgCh);
    options.subjects[*subjectIndexOfCode("M")] = on(settings.isAvgMath);
    options.subjects[*subjectIndexOfCode("E")] = on(settings.isAvgEng);
    options.total = on(settings.isAvgTotal);
    options.bands = on(settings.isAvgInter);
    return options;
}

// Placeholder until the search lands: puts every movable row that has no class into the smallest one.
OptimiseResult optimise(std::vector<StudentRow> &rows, int classCount, const OptimiseOptions &,
                        const OptimiseObserver &observer) {
    if (classCount < 1)
        return {OptimiseOutcome::Refused, "班级数必须大于0"};
    if (observer.stopRequested && observer.stopRequested())
        return {OptimiseOutcome::Stopped, {}};
    std::vector<int> sizes(static_cast<std::size_t>(classCount) + 1, 0);
    for (const StudentRow &row : rows) {
        if (row.classId >= 1 && row.classId <= classCount)
            ++sizes[static_cast<std::size_t>(row.classId)];
    }
    for (StudentRow &row : rows) {
        if (row.type == Placement::Fixed || (row.classId >= 1 && row.classId <= classCount))
            continue;
        const auto smallest = std::min_element(sizes.begin() + 1, sizes.end());
        row.classId = static_cast<int>(smallest - sizes.begin());
        row.type = Placement::Placed;
        ++*smallest;
    }
    if (observer.progress)
        observer.progress(1, 1);
    return {};
}

} // namespace fenban
