// Measures how balanced the exact division and the optimiser leave made-up intakes of 600, 1,200 and
// 3,000 students, and how long each takes.
//
//   balance_bench [--seconds S] [--only N]

#include "engine/division.h"
#include "engine/optimiser.h"
#include "engine/rules.h"
#include "intake.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace fenban;

namespace {

struct Figures {
    double subjectMean = 0, totalMean = 0, subjectSd = 0, band = 0, sex = 0, category = 0, size = 0;
    long pinyinPairs = 0, unplaced = 0;
};

Figures measure(const std::vector<StudentRow> &rows, int k) {
    Figures f;
    const double n = static_cast<double>(rows.size());
    std::vector<std::vector<const StudentRow *>> classes(k + 1);
    for (const auto &r : rows) {
        if (r.classId >= 1 && r.classId <= k)
            classes[r.classId].push_back(&r);
        else
            ++f.unplaced;
    }
    const double placed = n - f.unplaced;
    auto value = [](const StudentRow &r, std::size_t m) {
        return m == subjectCount ? rowTotal(r) : r.scores[m];
    };
    for (std::size_t m = 0; m <= subjectCount; ++m) {
        double s = 0, q = 0;
        for (const auto &r : rows) {
            s += value(r, m);
            q += value(r, m) * value(r, m);
        }
        const double mu = s / n, sd = std::sqrt(q / n - mu * mu);
        std::map<int, double> band;
        if (m < subjectCount)
            for (const auto &r : rows)
                band[scoreBand(r.scores[m])] += 1.0 / k;
        for (int c = 1; c <= k; ++c) {
            if (classes[c].empty())
                continue;
            double cs = 0, cq = 0;
            std::map<int, int> cb;
            for (const auto *r : classes[c]) {
                cs += value(*r, m);
                cq += value(*r, m) * value(*r, m);
                if (m < subjectCount)
                    ++cb[scoreBand(r->scores[m])];
            }
            const double cn = static_cast<double>(classes[c].size());
            const double cm = cs / cn, csd = std::sqrt(std::max(0.0, cq / cn - cm * cm));
            if (m < subjectCount) {
                f.subjectMean = std::max(f.subjectMean, std::abs(cm - mu));
                f.subjectSd = std::max(f.subjectSd, std::abs(csd - sd));
                for (auto [b, t] : band) {
                    if (std::getenv("FB_DEBUG") && std::abs(cb[b] - t) > 2.0)
                        std::printf("  band subject %zu band %d class %d count %d target %.2f\n", m, b, c,
                                    cb[b], t);
                    f.band = std::max(f.band, std::abs(cb[b] - t));
                }
                if (std::getenv("FB_DEBUG") && (std::abs(csd - sd) > 0.5 || std::abs(cm - mu) > 0.3))
                    std::printf("  subject %zu class %d mean off %.2f sd off %.2f\n", m, c, cm - mu,
                                csd - sd);
            } else {
                f.totalMean = std::max(f.totalMean, std::abs(cm - mu));
            }
        }
    }
    std::map<std::string, double> sexes, cats;
    for (const auto &r : rows) {
        sexes[std::string(trimBlanks(r.sex))] += 1.0 / k;
        if (!trimBlanks(r.pfType).empty())
            cats[std::string(trimBlanks(r.pfType))] += 1.0 / k;
    }
    for (int c = 1; c <= k; ++c) {
        std::map<std::string, int> cs, cc, py;
        for (const auto *r : classes[c]) {
            ++cs[std::string(trimBlanks(r->sex))];
            ++cc[std::string(trimBlanks(r->pfType))];
            if (!r->pingyin.empty())
                f.pinyinPairs += py[r->pingyin]++;
        }
        for (const char *s : {"男", "女"})
            f.sex = std::max(f.sex, std::abs(cs[s] - sexes[s]));
        for (auto [name, t] : cats)
            f.category = std::max(f.category, std::abs(cc[name] - t));
        f.size = std::max(f.size, std::abs(static_cast<double>(classes[c].size()) - placed / k));
    }
    return f;
}

void print(const char *label, int students, int classes, const Figures &f, double seconds) {
    std::printf("%-6s %5d/%-3d mean %5.2f total %5.2f sd %5.2f band %5.2f sex %4.2f cat %4.2f size %4.2f "
                "pinyin %ld unplaced %ld  %6.2f s\n",
                label, students, classes, f.subjectMean, f.totalMean, f.subjectSd, f.band, f.sex, f.category,
                f.size, f.pinyinPairs, f.unplaced, seconds);
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
    }
    const auto engine = makeFastEngine();
    for (const auto &[students, classes] : {std::pair{600, 12}, std::pair{1200, 24}, std::pair{3000, 60}}) {
        if (only != 0 && only != students)
            continue;
        std::vector<StudentRow> rows = cohort::intake(students, static_cast<std::uint32_t>(students));
        auto start = std::chrono::steady_clock::now();
        engine->divide(rows, classes, DivisionSettings{}, {});
        const double exactSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        print("exact", students, classes, measure(rows, classes), exactSeconds);
        start = std::chrono::steady_clock::now();
        optimise(rows, classes, options);
        const double optimiseSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        print("optim", students, classes, measure(rows, classes), optimiseSeconds);
    }
}
