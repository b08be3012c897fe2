// Times the reference and the fast division engine with the default settings and checks that both
// give the same classes and console lines; at district size the reference would take hours, so
// there the fast engine runs alone and prints a digest of its classes and lines instead, to be
// compared between builds. Times are CPU seconds of this process, since the machine is shared.
//
//   division_bench            300, 1,200 and 3,000 students, both engines
//   division_bench --quick    300 and 1,200 only
//   division_bench --large    the fast engine alone on 10,000/200 and 20,000/400, each as a year
//                             group and as a realistic intake (a few minutes)
//   division_bench --only N   the large rows of N students only (10000 or 20000)

#include "cohort.h"
#include "engine/division.h"
#include "intake.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

using namespace fenban;

namespace {

struct Timing {
    double cpuSeconds = 0.0;
    std::vector<StudentRow> rows;
    std::vector<std::string> lines;
};

Timing timeDivision(const DivisionEngine &engine, std::vector<StudentRow> rows, int numClass,
                    const DivisionSettings &settings) {
    Timing t;
    DivisionObserver observer;
    observer.message = [&](const std::string &line) {
        t.lines.push_back(line);
    };
    const std::clock_t start = std::clock();
    engine.divide(rows, numClass, settings, observer);
    t.cpuSeconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    t.rows = std::move(rows);
    return t;
}

// FNV-1a over every student's class and every console line, so that two builds can be seen to
// divide a cohort alike where the reference is too slow to compare with.
std::uint64_t digest(const Timing &t) {
    std::uint64_t h = 14695981039346656037ull;
    const auto mix = [&](const void *data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            h ^= static_cast<const unsigned char *>(data)[i];
            h *= 1099511628211ull;
        }
    };
    for (const StudentRow &row : t.rows) {
        mix(&row.studentId, sizeof row.studentId);
        mix(&row.classId, sizeof row.classId);
    }
    for (const std::string &line : t.lines)
        mix(line.data(), line.size() + 1);
    return h;
}

// A year group as schools have them: about half boys, a few special groups, scores spread around
// each student's level, the odd missed exam, and now and then two students with the same pinyin.
std::vector<StudentRow> yearGroup(int students) {
    cohort::Shape shape;
    shape.students = students;
    shape.categories = 3;
    shape.categoryShare = 0.12;
    shape.zeroShare = 0.01;
    shape.pinyinValues = students * 20;
    shape.leftoverShare = 0.0;
    return cohort::make(shape, static_cast<std::uint32_t>(students));
}

long swapLines(const Timing &t) {
    long n = 0;
    for (const std::string &line : t.lines)
        n += line.starts_with("微调替换") ? 1 : 0;
    return n;
}

void row(const char *label, int students, int classes, const char *settingsNote, const Timing *reference,
         const Timing &fast) {
    if (reference) {
        const bool same = reference->rows == fast.rows && reference->lines == fast.lines;
        std::printf("%-7s %8d %7d %-9s %13.2f %10.2f %7.1fx %6ld %s\n", label, students, classes,
                    settingsNote, reference->cpuSeconds, fast.cpuSeconds,
                    reference->cpuSeconds / fast.cpuSeconds, swapLines(fast), same ? "same" : "DIFFERENT");
    } else {
        std::printf("%-7s %8d %7d %-9s %13s %10.2f %8s %6ld digest %016llx\n", label, students, classes,
                    settingsNote, "-", fast.cpuSeconds, "-", swapLines(fast),
                    static_cast<unsigned long long>(digest(fast)));
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv) {
    bool quick = false;
    bool large = false;
    int only = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--large") == 0)
            large = true;
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = std::atoi(argv[++i]);
    }
    const auto reference = makeReferenceEngine();
    const auto fast = makeFastEngine();
    const DivisionSettings defaults; // all flags 1, inter 1, is_man 0, wtNum 50

    std::printf("%-7s %8s %7s %-9s %13s %10s %8s %6s %s\n", "cohort", "students", "classes", "settings",
                "reference cpu", "fast cpu", "ratio", "lines", "rows and lines");
    if (large || only != 0) {
        struct Size {
            int students, classes;
        };
        for (const Size size : {Size{10000, 200}, Size{20000, 400}}) {
            if (only != 0 && only != size.students)
                continue;
            row("year", size.students, size.classes, "wtNum 50", nullptr,
                timeDivision(*fast, yearGroup(size.students), size.classes, defaults));
            row("intake", size.students, size.classes, "wtNum 50", nullptr,
                timeDivision(*fast, cohort::intake(size.students, static_cast<std::uint32_t>(size.students)),
                             size.classes, defaults));
        }
        return 0;
    }

    struct Size {
        int students, classes;
    };
    for (const Size size : {Size{300, 6}, Size{1200, 24}}) {
        const auto rows = yearGroup(size.students);
        const Timing slow = timeDivision(*reference, rows, size.classes, defaults);
        const Timing quickRun = timeDivision(*fast, rows, size.classes, defaults);
        row("year", size.students, size.classes, "wtNum 50", &slow, quickRun);
    }
    if (quick)
        return 0;

    // The reference needs far more than five minutes for 3,000 students at 51 passes per sex, so it
    // is compared on 5 passes per sex; the fast engine is also timed with the full settings.
    for (const bool realistic : {false, true}) {
        const auto rows = realistic ? cohort::intake(3000, 3000) : yearGroup(3000);
        const char *label = realistic ? "intake" : "year";
        DivisionSettings fewPasses = defaults;
        fewPasses.wtNum = 4;
        const Timing slow = timeDivision(*reference, rows, 60, fewPasses);
        const Timing quickFew = timeDivision(*fast, rows, 60, fewPasses);
        row(label, 3000, 60, "wtNum 4", &slow, quickFew);
        row(label, 3000, 60, "wtNum 50", nullptr, timeDivision(*fast, rows, 60, defaults));
    }
    return 0;
}
