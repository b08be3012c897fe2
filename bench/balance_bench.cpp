// How balanced the exact division and the optimiser (with its default budget) leave made-up intakes of
// 600, 1,200 and 3,000 students, and how long each takes. One line per run and figure:
//
//   balance_bench [--seconds S] [--only STUDENTS] [--seed N]

#include "engine/division.h"
#include "engine/optimiser.h"
#include "intake.h"
#include "reports/balance.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace fenban;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void printFigures(const char *run, int students, int classes, const std::vector<StudentRow> &rows,
                  double seconds) {
    std::printf("%-9s %5d/%-3d %7.2f s", run, students, classes, seconds);
    for (const reports::BalanceFigure &figure :
         reports::balanceSummary(reports::balanceReport(rows, classes)))
        std::printf("  %s %.2f", figure.name.c_str(), figure.value);
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv) {
    OptimiseOptions options;
    int only = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            options.seconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--only") == 0)
            only = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seed") == 0)
            options.seed = std::strtoull(argv[i + 1], nullptr, 10);
    }
    const auto engine = makeFastEngine();
    for (const auto &[students, classes] : {std::pair{600, 12}, std::pair{1200, 24}, std::pair{3000, 60}}) {
        if (only != 0 && only != students)
            continue;
        std::vector<StudentRow> rows = cohort::intake(students, static_cast<std::uint32_t>(students));
        auto start = std::chrono::steady_clock::now();
        engine->divide(rows, classes, DivisionSettings{}, {});
        printFigures("exact", students, classes, rows, secondsSince(start));
        start = std::chrono::steady_clock::now();
        optimise(rows, classes, options);
        printFigures("optimised", students, classes, rows, secondsSince(start));
    }
}
