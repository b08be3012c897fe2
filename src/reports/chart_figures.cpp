#include "reports/chart_figures.h"

#include "store/projects.h"

#include <algorithm>
#include <cmath>

namespace fenban::reports {

namespace {

// Position p of the sorted values, 0 the least and 1 the greatest.
double quantile(const std::vector<double> &sorted, double p) {
    const double position = p * double(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(position));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (position - double(below)) * (sorted[above] - sorted[below]);
}

} // namespace

std::optional<BoxFigures> boxFigures(std::vector<double> values) {
    if (values.empty())
        return std::nullopt;
    std::sort(values.begin(), values.end());
    return BoxFigures{values.front(), quantile(values, 0.25), quantile(values, 0.5), quantile(values, 0.75),
                      values.back()};
}

ChartFigures chartFigures(const QList<store::StudentRecord> &students, int classCount) {
    ChartFigures figures;
    std::array<double, measureCount> sums{};
    std::array<int, measureCount> counts{};
    std::vector<std::vector<double>> totals(std::size_t(std::max(classCount, 0)));
    for (const store::StudentRecord &student : students) {
        for (std::size_t i = 0; i < subjectCount; ++i) {
            if (student.scores[i]) {
                sums[i] += *student.scores[i];
                ++counts[i];
            }
        }
        sums[subjectCount] += student.total();
        ++counts[subjectCount];
        if (student.classId >= 1 && student.classId <= classCount)
            totals[std::size_t(student.classId - 1)].push_back(student.total());
    }
    for (std::size_t i = 0; i < measureCount; ++i)
        figures.cohortMean[i] = counts[i] ? sums[i] / counts[i] : 0.0;
    for (std::vector<double> &classTotals : totals)
        figures.totalBoxes.push_back(boxFigures(std::move(classTotals)));
    return figures;
}

store::Result<ChartFigures> loadChartFigures(QSqlDatabase db, int projectId) {
    const auto project = store::ProjectStore(db).find(projectId);
    if (!project)
        return store::Result<ChartFigures>::failure(project.error());
    if (!project.value())
        return store::Result<ChartFigures>::failure(
            QStringLiteral("不存在编号为%1的分班项目").arg(projectId));
    const auto students = store::StudentStore(db).byClass(projectId);
    if (!students)
        return store::Result<ChartFigures>::failure(students.error());
    return store::Result<ChartFigures>::success(chartFigures(students.value(), project.value()->classes));
}

} // namespace fenban::reports
