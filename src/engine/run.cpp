#include "engine/run.h"

#include "engine/reporter.h"

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <string>

namespace fenban {

namespace {

// Rows picked out of the whole table for a pass of their own, with where each came from.
struct Subset {
    std::vector<std::size_t> origin;
    std::vector<StudentRow> rows;
};

template <class Pick> Subset pickRows(const std::vector<StudentRow> &rows, Pick pick) {
    Subset subset;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (pick(rows[i])) {
            subset.origin.push_back(i);
            subset.rows.push_back(rows[i]);
        }
    }
    return subset;
}

std::vector<std::string> categoriesOf(const std::vector<StudentRow> &rows) {
    std::vector<std::string> categories;
    for (const StudentRow &row : rows) {
        if (!row.pfType.empty())
            categories.push_back(row.pfType);
    }
    std::sort(categories.begin(), categories.end());
    categories.erase(std::unique(categories.begin(), categories.end()), categories.end());
    return categories;
}

} // namespace

DivisionResult divideRows(std::vector<StudentRow> &rows, int numClass, const DivisionSettings &settings,
                          const DivisionObserver &observer, PassFunction pass) {
    if (numClass < 1)
        return {DivisionOutcome::Refused, "班级数必须大于0"};

    // Everything happens on a copy, so that a cancelled run leaves the caller's rows alone.
    std::vector<StudentRow> work = rows;
    for (StudentRow &row : work) {
        if (row.type != Placement::Fixed) {
            row.classId = 0;
            row.type = Placement::Waiting;
        }
    }
    const std::vector<std::string> categories = categoriesOf(work);
    PassParams params;
    params.classNumbers.resize(static_cast<std::size_t>(numClass));
    std::iota(params.classNumbers.begin(), params.classNumbers.end(), 1);
    params.settings = settings;
    params.reDivision = false;
    const long placementPasses = static_cast<long>(categories.size()) + 1;
    Reporter reporter(observer, placementPasses * 2 * tuningPassesPerSex(settings.wtNum));

    try {
        for (const std::string &category : categories) {
            Subset subset = pickRows(work, [&](const StudentRow &row) { return row.pfType == category; });
            for (StudentRow &row : subset.rows) {
                if (row.type != Placement::Fixed) {
                    row.classId = 0;
                    row.type = Placement::Waiting;
                }
            }
            pass(subset.rows, params, reporter);
            for (std::size_t j = 0; j < subset.rows.size(); ++j) {
                StudentRow &row = work[subset.origin[j]];
                row.classId = subset.rows[j].classId;
                if (row.type != Placement::Fixed)
                    row.type = Placement::PlacedInCategory;
            }
        }
        pass(work, params, reporter);
    } catch (const RunCancelled &) {
        return {DivisionOutcome::Cancelled, {}};
    }
    rows = std::move(work);
    return {};
}

DivisionResult redivideRows(std::vector<StudentRow> &rows, const std::vector<int> &classNumbers,
                            const DivisionSettings &settings, const DivisionObserver &observer,
                            PassFunction pass) {
    if (classNumbers.empty())
        return {DivisionOutcome::Refused, "请选择要重新分班的班级"};

    PassParams params;
    for (const int number : classNumbers) {
        if (std::find(params.classNumbers.begin(), params.classNumbers.end(), number) ==
            params.classNumbers.end())
            params.classNumbers.push_back(number);
    }
    params.settings = settings;
    params.settings.wtNum = 4;
    params.reDivision = true;

    Subset subset = pickRows(rows, [&](const StudentRow &row) {
        return std::find(params.classNumbers.begin(), params.classNumbers.end(), row.classId) !=
               params.classNumbers.end();
    });
    for (StudentRow &row : subset.rows) {
        if (row.type < Placement::Fixed) {
            row.classId = 0;
            row.type = Placement::Waiting;
        }
    }
    Reporter reporter(observer, 2 * tuningPassesPerSex(params.settings.wtNum));
    try {
        pass(subset.rows, params, reporter);
    } catch (const RunCancelled &) {
        return {DivisionOutcome::Cancelled, {}};
    }
    // Only the classes come back: the rows' codes stay as the last division left them.
    for (std::size_t j = 0; j < subset.rows.size(); ++j)
        rows[subset.origin[j]].classId = subset.rows[j].classId;
    reporter.line(std::string(redivisionEndLine));
    return {};
}

} // namespace fenban
