// How balanced the exact division and the optimiser after it (with its default budget) leave made-up
// intakes of many shapes (cohort::shapedIntake: skewed, ceiling-heavy, tied and absent scores, lone
// categories, fixed students, groups; 3 to 400 classes of 20 to 60) and realistic ones of 10,000
// students in 200 classes and 20,000 in 400, with the CPU seconds each took. One line per intake and
// run, then the worst intake per figure (the worst, not the mean: a teacher sees one intake).
//
//   balance_bench [--seconds S] [--seed N] [--shapes N] [--first N] [--max-students N]
//                 [--large 0|1|2] [--only-large]
//
//   --seconds       the optimiser's budget (default its own, 10)
//   --seed          the optimiser's seed (default 1)
//   --shapes        how many shaped intakes, seeds first..first+N-1 (default 12); --first (default 1)
//   --max-students  skips shaped intakes larger than this
//   --large         0: no realistic district intakes, 1: 10,000/200, 2: also 20,000/400 (default 2)
//   --only-large    the realistic district intakes only
//
// Built with the normal build (target balance_bench); run from the build directory:
//   bench/balance_bench --shapes 12 --large 1

#include "engine/division.h"
#include "engine/optimiser.h"
#include "engine/student_groups.h"
#include "intake_shapes.h"
#include "reports/balance.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

using namespace fenban;

namespace {

double cpuSince(std::clock_t start) {
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

// The figures printed, in order, with the goal each is judged by (a negative goal: none).
struct Figure {
    const char *name;
    double goal;
};
constexpr Figure shown[] = {{"size_dev", 1.0},
                            {"worst_sex_dev", 1.0},
                            {"worst_category_dev", 1.0},
                            {"worst_subject_mean_dev", 0.3},
                            {"worst_total_mean_dev", 0.7},
                            {"worst_subject_sd_dev", 0.5},
                            {"worst_band_dev", 2.5},
                            {"same_pinyin_pairs", 0.0},
                            {"unplaced", 0.0},
                            {"rule_violations", 0.0}};
constexpr const char *shortNames[] = {"size", "sex",   "cat",    "mean", "total",
                                      "sd",   "bands", "pinyin", "unpl", "rules"};
constexpr std::size_t figureCount = std::size(shown);

struct Worst {
    double value = -1.0;
    std::string intake;
};

std::array<double, figureCount> measure(const std::vector<StudentRow> &rows, int classes,
                                        const std::vector<StudentGroup> &groups) {
    std::map<std::string, double> byName;
    for (const reports::BalanceFigure &figure :
         reports::balanceSummary(reports::balanceReport(rows, classes)))
        byName[figure.name] = figure.value;
    byName["rule_violations"] = static_cast<double>(groupViolations(rows, groups).size());
    std::array<double, figureCount> values{};
    for (std::size_t f = 0; f < figureCount; ++f)
        values[f] = byName[shown[f].name];
    return values;
}

void printLine(const char *run, const std::string &label, double seconds,
               const std::array<double, figureCount> &values) {
    std::printf("%-9s %-12s %7.2f s", run, label.c_str(), seconds);
    for (std::size_t f = 0; f < figureCount; ++f) {
        const bool miss = values[f] > shown[f].goal + 1e-9 || (shown[f].goal == 1.0 && values[f] >= 1.0);
        std::printf("  %s %.2f%s", shortNames[f], values[f], miss ? "!" : "");
    }
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv) {
    OptimiseOptions options;
    int shapes = 12;
    int first = 1;
    int maxStudents = 1 << 30;
    int large = 2;
    bool onlyLarge = false;
    for (int i = 1; i < argc; ++i) {
        const auto value = [&] {
            return i + 1 < argc ? argv[++i] : "0";
        };
        if (std::strcmp(argv[i], "--seconds") == 0)
            options.seconds = std::atof(value());
        else if (std::strcmp(argv[i], "--seed") == 0)
            options.seed = std::strtoull(value(), nullptr, 10);
        else if (std::strcmp(argv[i], "--shapes") == 0)
            shapes = std::atoi(value());
        else if (std::strcmp(argv[i], "--first") == 0)
            first = std::atoi(value());
        else if (std::strcmp(argv[i], "--max-students") == 0)
            maxStudents = std::atoi(value());
        else if (std::strcmp(argv[i], "--large") == 0)
            large = std::atoi(value());
        else if (std::strcmp(argv[i], "--only-large") == 0)
            onlyLarge = true;
    }
    std::vector<cohort::ShapedIntake> intakes;
    for (int s = first; !onlyLarge && s < first + shapes; ++s) {
        cohort::ShapedIntake intake = cohort::shapedIntake(static_cast<std::uint32_t>(s));
        if (static_cast<int>(intake.rows.size()) <= maxStudents)
            intakes.push_back(std::move(intake));
    }
    if (large >= 1)
        intakes.push_back(cohort::realisticIntake(10000, 200, 10000));
    if (large >= 2)
        intakes.push_back(cohort::realisticIntake(20000, 400, 20000));

    const auto engine = makeFastEngine();
    std::array<Worst, figureCount> worstExact, worstOptimised;
    double worstSeconds = 0.0;
    std::string slowest;
    for (cohort::ShapedIntake &intake : intakes) {
        std::printf("# %s\n", intake.description.c_str());
        const std::string label = std::to_string(intake.rows.size()) + "/" + std::to_string(intake.classes);
        std::clock_t start = std::clock();
        engine->divide(intake.rows, intake.classes, DivisionSettings{}, {});
        const double divideSeconds = cpuSince(start);
        const auto exact = measure(intake.rows, intake.classes, intake.groups);
        printLine("exact", label, divideSeconds, exact);
        OptimiseOptions run = options;
        run.groups = intake.groups;
        start = std::clock();
        optimise(intake.rows, intake.classes, run);
        const double optimiseSeconds = cpuSince(start);
        const auto optimised = measure(intake.rows, intake.classes, intake.groups);
        printLine("optimised", label, optimiseSeconds, optimised);
        for (std::size_t f = 0; f < figureCount; ++f) {
            if (exact[f] > worstExact[f].value)
                worstExact[f] = {exact[f], intake.description};
            if (optimised[f] > worstOptimised[f].value)
                worstOptimised[f] = {optimised[f], intake.description};
        }
        if (divideSeconds + optimiseSeconds > worstSeconds) {
            worstSeconds = divideSeconds + optimiseSeconds;
            slowest = intake.description;
        }
    }
    std::printf("\nworst intake per figure (goal), exact | optimised:\n");
    for (std::size_t f = 0; f < figureCount; ++f)
        std::printf("  %-22s (%.1f)  %6.2f | %6.2f   %s\n", shown[f].name, shown[f].goal, worstExact[f].value,
                    worstOptimised[f].value, worstOptimised[f].intake.c_str());
    std::printf("  slowest: %.2f s CPU (division and optimiser)   %s\n", worstSeconds, slowest.c_str());
}
