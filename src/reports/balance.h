#pragma once

#include "engine/division.h"
#include "engine/optimiser.h"
#include "engine/subject.h"
#include "reports/rule_violations.h"
#include "store/result.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace fenban::reports {

// Measures 0..8 are the subjects in subject order, 9 the total of the nine scores.
inline constexpr std::size_t measureCount = subjectCount + 1;

// One class's own figures, for the per-class table.
struct ClassBalance {
    int classId = 0;
    int size = 0;
    int boys = 0;
    int girls = 0;
    std::vector<int> categories;             // per BalanceReport::categoryNames
    std::array<double, measureCount> mean{}; // 0 for an empty class
    std::array<double, measureCount> sd{};   // population SD (divisor n)
    double bandDev = 0.0;                    // worst band deviation of this class over all subjects
    int samePinyinPairs = 0;
    int sameNamePairs = 0;
};

// A student in no class (class 0, or a class outside 1..K), with the reason where it is known.
struct UnplacedBalance {
    std::int64_t studentId = 0;
    std::string name;
    std::string reason; // "性别为空", "班级号超出班级数", "未分班"
};

// How even the current division of a project is. K is the project's class count; the cohort is every
// student of the project, placed or not. Every "dev" is a maximum over classes 1..K (an empty class
// counts with size 0 and mean/SD 0 only for size/sex/category/band).
struct BalanceReport {
    int classCount = 0;
    int students = 0;
    int placed = 0;
    double sizeDev = 0.0;     // |class size − placed / K|
    double sexDev = 0.0;      // |boys − cohort boys / K| and the same for girls (sex trimmed)
    double categoryDev = 0.0; // the same for each non-empty trimmed category, max over categories
    std::array<double, measureCount> meanDev{}; // |class mean − cohort mean|, non-empty classes
    std::array<double, measureCount> sdDev{};   // |class SD − cohort SD|, non-empty classes
    std::array<double, subjectCount> bandDev{}; // |class band count − cohort band count / K|
    int samePinyinPairs = 0; // pairs in one class with the same non-empty stored pinyin form
    int sameNamePairs = 0;   // pairs in one class with the same non-empty name
    std::vector<UnplacedBalance> unplaced;
    std::vector<std::string> categoryNames; // sorted
    std::vector<ClassBalance> classes;      // classes 1..K in order
    // The project's keep-apart and keep-together rules the classes break; filled by loadBalanceReport.
    std::vector<RuleViolation> ruleViolations;

    // The summary lines.
    double worstSubjectMeanDev() const;
    double worstTotalMeanDev() const;
    double worstSubjectSdDev() const;
    double worstBandDev() const;
    double worstSexDev() const;
    double worstCategoryDev() const;
};

// With `measuredClasses` (class numbers), only those classes enter the worst deviations and the pair
// counts, still measured against the whole cohort; the per-class table keeps every class.
BalanceReport balanceReport(const std::vector<StudentRow> &rows, int classCount,
                            const std::vector<int> &measuredClasses = {});

// Reads the project's students, class count and rules and measures them.
store::Result<BalanceReport> loadBalanceReport(QSqlDatabase db, int projectId);

// One summary figure with its name as the command line prints it and the goal it is judged by.
struct BalanceFigure {
    std::string name; // "size_dev", "worst_subject_mean_dev", ...
    QString label;    // Chinese caption for the window and the sheet
    double value = 0.0;
    enum Grade { Good, Fair, Poor } grade = Good;
    bool count = false; // pairs and students are counted; every other figure is a deviation
};

// A figure as every front end shows it: a count as a whole number, a deviation with two decimals.
QString balanceFigureText(const BalanceFigure &figure);

// The summary lines in print order: size_dev, worst_sex_dev, worst_category_dev,
// worst_subject_mean_dev, worst_total_mean_dev, worst_subject_sd_dev, worst_band_dev,
// same_pinyin_pairs, same_name_pairs, unplaced, rule_violations.
std::vector<BalanceFigure> balanceSummary(const BalanceReport &report);

// "以下指标比优化前差: …": the figures of `after` larger than the same figure of `before` as both are
// shown (two decimals), by their Chinese captions in print order; empty when none is.
QString worseFiguresLine(const BalanceReport &before, const BalanceReport &after);

// How an optimisation stands, as a teacher reads it: "总分平均分最大偏差 1.80 → 0.60，…" for the
// figures the search evens out, from where it started to the best classes so far.
QString optimiseProgressText(const OptimiseFigures &start, const OptimiseFigures &best);

} // namespace fenban::reports
