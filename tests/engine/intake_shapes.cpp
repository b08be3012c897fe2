#include "intake_shapes.h"

#include "engine/rules.h"
#include "intake.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>

namespace fenban::cohort {

namespace {

enum class ScoreShape { Normal, HighSkew, LowSkew, Ceiling, TwoHumps, Coarse };
constexpr std::array<const char *, 6> shapeNames{"normal",  "high-skew", "low-skew",
                                                 "ceiling", "two-humps", "coarse"};

struct Drawn {
    std::mt19937 rng;
    std::uniform_real_distribution<double> chance{0.0, 1.0};
    std::normal_distribution<double> normal{0.0, 1.0};

    explicit Drawn(std::uint32_t seed) : rng(seed) {}
    double unit() { return chance(rng); }
    double gauss() { return normal(rng); }
    double between(double lo, double hi) { return lo + (hi - lo) * unit(); }
    int upTo(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
};

// One score of the given shape for a student whose standing in the subject is z (standard normal).
double score(ScoreShape shape, double z, double full, double mean, double spread) {
    switch (shape) {
    case ScoreShape::Normal:
    case ScoreShape::Coarse:
        return full * (mean + spread * z);
    case ScoreShape::HighSkew:
        // Most near the top, a long tail of weak students.
        return full * (1.0 - 0.18 * std::exp(-0.7 * z));
    case ScoreShape::LowSkew:
        return full * 0.3 * std::exp(0.45 * z);
    case ScoreShape::Ceiling:
        return full * (0.9 + 0.12 * z);
    case ScoreShape::TwoHumps:
        return full * (mean + (z > 0 ? 0.16 : -0.16) + 0.5 * spread * z);
    }
    return 0.0;
}

} // namespace

ShapedIntake shapedIntake(std::uint32_t seed, const ShapeLimits &limits) {
    Drawn draw(seed * 2654435761u + 17u);
    ShapedIntake intake;
    // Class counts spread evenly on a log scale, so that small schools and whole districts both occur.
    const double logClasses = draw.between(std::log(limits.minClasses), std::log(limits.maxClasses + 0.999));
    intake.classes = std::clamp(static_cast<int>(std::exp(logClasses)), limits.minClasses, limits.maxClasses);
    const int classSize = draw.upTo(limits.minClassSize, limits.maxClassSize);
    const int students = intake.classes * classSize + draw.upTo(0, intake.classes - 1);

    const bool mathsScale = draw.unit() < 0.6; // 150 for the three main subjects, 60 for sport
    std::array<double, subjectCount> full{};
    std::array<ScoreShape, subjectCount> shapes{};
    std::array<double, subjectCount> mean{};
    std::array<double, subjectCount> spread{};
    std::array<double, subjectCount> loading{};
    std::array<double, subjectCount> halfShare{};
    std::array<double, subjectCount> zeroShare{};
    std::array<double, subjectCount> step{};
    std::string shapesText;
    for (std::size_t s = 0; s < subjectCount; ++s) {
        full[s] = !mathsScale ? 100.0 : s < 3 ? 150.0 : s == 6 ? 60.0 : 100.0;
        shapes[s] = static_cast<ScoreShape>(draw.upTo(0, static_cast<int>(shapeNames.size()) - 1));
        mean[s] = draw.between(0.55, 0.8);
        spread[s] = draw.between(0.06, 0.2);
        loading[s] = draw.between(0.2, 0.9);
        halfShare[s] = std::array<double, 3>{0.0, 0.08, 0.5}[static_cast<std::size_t>(draw.upTo(0, 2))];
        zeroShare[s] = std::array<double, 3>{0.0, 0.01, 0.04}[static_cast<std::size_t>(draw.upTo(0, 2))];
        step[s] = shapes[s] == ScoreShape::Coarse ? (draw.unit() < 0.5 ? 5.0 : 10.0) : 1.0;
        shapesText += std::string(s == 0 ? "" : ",") + shapeNames[static_cast<std::size_t>(shapes[s])];
    }
    const double boyShare = draw.between(0.35, 0.65);
    const double emptySexShare = draw.unit() < 0.5 ? 0.0 : 0.02;
    const int categoryCount = draw.upTo(0, 4);
    const double categoryShare = categoryCount == 0 ? 0.0 : draw.between(0.02, 0.4);
    const bool loneCategory = draw.unit() < 0.5;
    const double fixedShare = draw.unit() < 0.5 ? 0.0 : draw.between(0.005, 0.04);
    const bool withGroups = draw.unit() < 0.7;

    intake.rows.reserve(static_cast<std::size_t>(students));
    for (int i = 0; i < students; ++i) {
        StudentRow row;
        row.studentId = 30000001 + i;
        row.name = "生" + std::to_string(i);
        row.pingyin = "sheng" + std::to_string(i);
        const double sexDraw = draw.unit();
        row.sex = sexDraw < emptySexShare ? "" : sexDraw < emptySexShare + boyShare ? "男" : "女";
        const double level = draw.gauss();
        // A student absent from every exam now and then, as after an illness.
        const bool absent = draw.unit() < 0.003;
        for (std::size_t s = 0; s < subjectCount; ++s) {
            const double z = loading[s] * level + std::sqrt(1.0 - loading[s] * loading[s]) * draw.gauss();
            double value = std::round(score(shapes[s], z, full[s], mean[s], spread[s]) / step[s]) * step[s];
            if (step[s] == 1.0 && draw.unit() < halfShare[s])
                value += 0.5;
            value = std::clamp(value, 0.0, full[s]);
            if (absent || draw.unit() < zeroShare[s])
                value = 0.0;
            row.scores[s] = value;
        }
        if (draw.unit() < categoryShare)
            row.pfType = "类" + std::to_string(draw.upTo(1, categoryCount));
        intake.rows.push_back(std::move(row));
    }
    if (loneCategory && students > 0)
        intake.rows[static_cast<std::size_t>(draw.upTo(0, students - 1))].pfType = "独类";
    // Homophones: 3% sound like an earlier student.
    for (int i = 1; i < students; ++i) {
        if (draw.unit() < 0.03)
            intake.rows[static_cast<std::size_t>(i)].pingyin =
                intake.rows[static_cast<std::size_t>(draw.upTo(0, i - 1))].pingyin;
    }

    // Fixed students, never more of a sex or category in a class than the class's floor of its share,
    // so that the shares stay reachable.
    std::map<std::string, int> totals;
    for (const StudentRow &row : intake.rows) {
        ++totals["s" + row.sex];
        if (!row.pfType.empty())
            ++totals["c" + row.pfType];
    }
    std::map<std::pair<int, std::string>, int> fixedIn;
    int fixedCount = 0;
    for (StudentRow &row : intake.rows) {
        if (!(draw.unit() < fixedShare))
            continue;
        const int cls = draw.upTo(1, intake.classes);
        std::vector<std::string> keys{"s" + row.sex};
        if (!row.pfType.empty())
            keys.push_back("c" + row.pfType);
        const bool fits = std::all_of(keys.begin(), keys.end(), [&](const std::string &key) {
            return fixedIn[{cls, key}] + 1 <= totals[key] / intake.classes;
        });
        if (!fits || fixedIn[{cls, "#"}] + 1 > students / intake.classes)
            continue;
        for (const std::string &key : keys)
            ++fixedIn[{cls, key}];
        ++fixedIn[{cls, "#"}];
        row.type = Placement::Fixed;
        row.classId = cls;
        ++fixedCount;
    }

    // Groups of students not yet in one: keep-apart groups of two to four, keep-together groups of two or
    // three whose members share no category (a category may allow only one student a class).
    int apartCount = 0;
    int togetherCount = 0;
    if (withGroups && intake.classes > 4) {
        std::vector<char> taken(intake.rows.size(), 0);
        const auto pickFree = [&]() {
            for (int attempt = 0; attempt < 50; ++attempt) {
                const auto i = static_cast<std::size_t>(draw.upTo(0, students - 1));
                if (!taken[i] && intake.rows[i].type != Placement::Fixed) {
                    taken[i] = 1;
                    return static_cast<int>(i);
                }
            }
            return -1;
        };
        for (int g = 0; g < std::max(1, students / 150); ++g) {
            StudentGroup group{StudentGroup::Kind::Apart, {}};
            const int size = draw.upTo(2, 4);
            for (int k = 0; k < size; ++k) {
                if (const int i = pickFree(); i >= 0)
                    group.studentIds.push_back(intake.rows[static_cast<std::size_t>(i)].studentId);
            }
            if (group.studentIds.size() >= 2) {
                intake.groups.push_back(std::move(group));
                ++apartCount;
            }
        }
        for (int g = 0; g < std::max(1, students / 200); ++g) {
            StudentGroup group{StudentGroup::Kind::Together, {}};
            const int size = draw.upTo(2, 3);
            std::vector<std::string> categories;
            for (int k = 0; k < size; ++k) {
                const int i = pickFree();
                if (i < 0)
                    continue;
                const StudentRow &row = intake.rows[static_cast<std::size_t>(i)];
                if (!row.pfType.empty() &&
                    std::find(categories.begin(), categories.end(), row.pfType) != categories.end())
                    continue;
                categories.push_back(row.pfType);
                group.studentIds.push_back(row.studentId);
            }
            if (group.studentIds.size() >= 2) {
                intake.groups.push_back(std::move(group));
                ++togetherCount;
            }
        }
    }

    char text[256];
    std::snprintf(text, sizeof text,
                  "%d/%d seed %u: %s; %d categories %.0f%%%s; %d fixed; %d apart, %d together", students,
                  intake.classes, seed, shapesText.c_str(), categoryCount, 100.0 * categoryShare,
                  loneCategory ? " + one lone" : "", fixedCount, apartCount, togetherCount);
    intake.description = text;
    return intake;
}

ShapedIntake realisticIntake(int students, int classes, std::uint32_t seed) {
    ShapedIntake shaped;
    shaped.classes = classes;
    shaped.rows = intake(students, seed);
    shaped.description =
        std::to_string(students) + "/" + std::to_string(classes) + " realistic seed " + std::to_string(seed);
    return shaped;
}

} // namespace fenban::cohort
