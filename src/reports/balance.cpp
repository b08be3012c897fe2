#include "reports/balance.h"

#include "engine/rules.h"
#include "store/division_runner.h"
#include "store/projects.h"
#include "store/student_groups.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace fenban::reports {

namespace {

// Scores from 1000 up share the last band, so that an impossible stored score cannot ask for
// millions of bands; a score that is not a number or below 0 counts in band 0.
constexpr int lastBand = 100;
// Figures worked out in floating point land a hair off the goal they exactly meet (0.3 as
// 0.30000000000000004); such a hair does not decide a grade.
constexpr double goalTolerance = 1e-9;

// Trimmed as the statistics window and the division runner trim: surrounding blanks, the
// ideographic space included, make no new sex, category or name.
QString trimmed(const std::string &text) {
    return QString::fromStdString(text).trimmed();
}

int bandOf(double score) {
    if (!(score >= 0))
        return 0;
    const double band = std::floor(score / 10.0);
    return band < lastBand ? static_cast<int>(band) : lastBand;
}

double measureOf(const StudentRow &row, std::size_t measure) {
    return measure == totalMeasure ? rowTotal(row) : row.scores[measure];
}

struct Spread {
    double mean = 0.0;
    double sd = 0.0;
};

// Population mean and SD (divisor n) of one measure over the rows chosen; zeros for no rows.
// Two passes, so that the large totals of a big cohort lose no digits to cancellation.
Spread spreadOf(const std::vector<StudentRow> &rows, const std::vector<std::size_t> &chosen,
                std::size_t measure) {
    Spread spread;
    if (chosen.empty())
        return spread;
    double sum = 0.0;
    for (const std::size_t i : chosen)
        sum += measureOf(rows[i], measure);
    spread.mean = sum / double(chosen.size());
    double squares = 0.0;
    for (const std::size_t i : chosen) {
        const double difference = measureOf(rows[i], measure) - spread.mean;
        squares += difference * difference;
    }
    spread.sd = std::sqrt(squares / double(chosen.size()));
    return spread;
}

// n students sharing one key make n(n−1)/2 pairs; empty keys pair with nobody.
int pairsOf(const std::vector<QString> &keys) {
    std::map<QString, int> counts;
    for (const QString &key : keys) {
        if (!key.isEmpty())
            ++counts[key];
    }
    int pairs = 0;
    for (const auto &[key, count] : counts)
        pairs += count * (count - 1) / 2;
    return pairs;
}

template <typename Array> double largest(const Array &values, std::size_t count) {
    double worst = 0.0;
    for (std::size_t i = 0; i < count; ++i)
        worst = std::max(worst, values[i]);
    return worst;
}

// A figure whose goal is "at most `goal`": good within it, fair within three times it.
BalanceFigure::Grade gradeAtMost(double value, double goal) {
    if (value <= goal + goalTolerance)
        return BalanceFigure::Good;
    if (value <= 3 * goal + goalTolerance)
        return BalanceFigure::Fair;
    return BalanceFigure::Poor;
}

// A figure whose goal is "below `goal`".
BalanceFigure::Grade gradeBelow(double value, double goal) {
    if (value < goal - goalTolerance)
        return BalanceFigure::Good;
    if (value < 3 * goal - goalTolerance)
        return BalanceFigure::Fair;
    return BalanceFigure::Poor;
}

} // namespace

double BalanceReport::worstSubjectMeanDev() const {
    return largest(meanDev, subjectCount);
}

double BalanceReport::worstTotalMeanDev() const {
    return meanDev[totalMeasure];
}

double BalanceReport::worstSubjectSdDev() const {
    return largest(sdDev, subjectCount);
}

double BalanceReport::worstBandDev() const {
    return largest(bandDev, subjectCount);
}

double BalanceReport::worstSexDev() const {
    return sexDev;
}

double BalanceReport::worstCategoryDev() const {
    return categoryDev;
}

BalanceReport balanceReport(const std::vector<StudentRow> &rows, int classCount,
                            const std::vector<int> &measuredClasses) {
    BalanceReport report;
    report.classCount = classCount;
    report.students = int(rows.size());
    const int classes = std::max(classCount, 0);

    std::vector<QString> sexes;
    std::vector<QString> categories;
    sexes.reserve(rows.size());
    categories.reserve(rows.size());
    for (const StudentRow &row : rows) {
        sexes.push_back(trimmed(row.sex));
        categories.push_back(trimmed(row.pfType));
    }

    // Categories in the byte order of their UTF-8 texts, as the names are kept.
    std::map<std::string, int> cohortCategories;
    for (const QString &category : categories) {
        if (!category.isEmpty())
            ++cohortCategories[category.toStdString()];
    }
    std::map<QString, std::size_t> categoryIndex;
    for (const auto &[name, count] : cohortCategories) {
        categoryIndex.emplace(QString::fromStdString(name), report.categoryNames.size());
        report.categoryNames.push_back(name);
    }

    std::vector<std::vector<std::size_t>> members(static_cast<std::size_t>(classes));
    std::vector<std::size_t> everyone(rows.size());
    int cohortBoys = 0;
    int cohortGirls = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        everyone[i] = i;
        cohortBoys += sexes[i] == QStringLiteral("男");
        cohortGirls += sexes[i] == QStringLiteral("女");
        const int classId = rows[i].classId;
        if (classId >= 1 && classId <= classes) {
            members[std::size_t(classId - 1)].push_back(i);
            continue;
        }
        UnplacedBalance unplaced;
        unplaced.studentId = rows[i].studentId;
        unplaced.name = rows[i].name;
        if (sexes[i].isEmpty())
            unplaced.reason = "性别为空";
        else if (classId != 0)
            unplaced.reason = "班级号超出班级数";
        else
            unplaced.reason = "未分班";
        report.unplaced.push_back(std::move(unplaced));
    }
    report.placed = report.students - int(report.unplaced.size());
    if (classes == 0)
        return report;

    const double share = 1.0 / double(classes);
    std::array<Spread, measureCount> cohort{};
    for (std::size_t measure = 0; measure < measureCount; ++measure)
        cohort[measure] = spreadOf(rows, everyone, measure);
    std::array<std::vector<int>, subjectCount> cohortBands;
    for (std::size_t subject = 0; subject < subjectCount; ++subject) {
        cohortBands[subject].assign(lastBand + 1, 0);
        for (const StudentRow &row : rows)
            ++cohortBands[subject][std::size_t(bandOf(row.scores[subject]))];
    }

    for (int c = 0; c < classes; ++c) {
        const std::vector<std::size_t> &inClass = members[std::size_t(c)];
        ClassBalance balance;
        balance.classId = c + 1;
        balance.size = int(inClass.size());
        balance.categories.assign(report.categoryNames.size(), 0);
        std::vector<QString> pinyins;
        std::vector<QString> names;
        for (const std::size_t i : inClass) {
            balance.boys += sexes[i] == QStringLiteral("男");
            balance.girls += sexes[i] == QStringLiteral("女");
            if (const auto found = categoryIndex.find(categories[i]); found != categoryIndex.end())
                ++balance.categories[found->second];
            pinyins.push_back(QString::fromStdString(rows[i].pingyin));
            names.push_back(trimmed(rows[i].name));
        }
        balance.samePinyinPairs = pairsOf(pinyins);
        balance.sameNamePairs = pairsOf(names);
        // An unmeasured class keeps its own figures but leaves the report's worst ones alone.
        const bool measured =
            measuredClasses.empty() ||
            std::find(measuredClasses.begin(), measuredClasses.end(), c + 1) != measuredClasses.end();
        BalanceReport unmeasured;
        BalanceReport &into = measured ? report : unmeasured;
        into.samePinyinPairs += balance.samePinyinPairs;
        into.sameNamePairs += balance.sameNamePairs;

        into.sizeDev = std::max(into.sizeDev, std::abs(balance.size - report.placed * share));
        into.sexDev = std::max({into.sexDev, std::abs(balance.boys - cohortBoys * share),
                                std::abs(balance.girls - cohortGirls * share)});
        for (std::size_t k = 0; k < report.categoryNames.size(); ++k) {
            const double expected = cohortCategories[report.categoryNames[k]] * share;
            into.categoryDev = std::max(into.categoryDev, std::abs(balance.categories[k] - expected));
        }

        for (std::size_t measure = 0; measure < measureCount; ++measure) {
            const Spread spread = spreadOf(rows, inClass, measure);
            balance.mean[measure] = spread.mean;
            balance.sd[measure] = spread.sd;
            if (inClass.empty())
                continue;
            into.meanDev[measure] =
                std::max(into.meanDev[measure], std::abs(spread.mean - cohort[measure].mean));
            into.sdDev[measure] = std::max(into.sdDev[measure], std::abs(spread.sd - cohort[measure].sd));
        }

        for (std::size_t subject = 0; subject < subjectCount; ++subject) {
            std::vector<int> bands(lastBand + 1, 0);
            for (const std::size_t i : inClass)
                ++bands[std::size_t(bandOf(rows[i].scores[subject]))];
            for (std::size_t band = 0; band < bands.size(); ++band) {
                const double deviation = std::abs(bands[band] - cohortBands[subject][band] * share);
                balance.bandDev = std::max(balance.bandDev, deviation);
                into.bandDev[subject] = std::max(into.bandDev[subject], deviation);
            }
        }
        report.classes.push_back(std::move(balance));
    }
    return report;
}

store::Result<BalanceReport> loadBalanceReport(QSqlDatabase db, int projectId) {
    using R = store::Result<BalanceReport>;
    const auto project = store::ProjectStore(db).find(projectId);
    if (!project)
        return R::failure(project.error());
    if (!project.value())
        return R::failure(QStringLiteral("不存在编号为%1的分班项目").arg(projectId));
    const auto rows = store::readStudentRows(db, projectId);
    if (!rows)
        return R::failure(rows.error());
    const auto groups = store::groups(db, projectId);
    if (!groups)
        return R::failure(groups.error());
    BalanceReport report = balanceReport(rows.value(), project.value()->classes);
    report.ruleViolations = reports::ruleViolations(rows.value(), groups.value());
    return R::success(std::move(report));
}

QString balanceFigureText(const BalanceFigure &figure) {
    return figure.count ? QString::number(std::llround(figure.value)) : QString::number(figure.value, 'f', 2);
}

std::vector<BalanceFigure> balanceSummary(const BalanceReport &report) {
    // A pair of homophones in one class is what teachers are asked about first, and an unplaced
    // student has no class at all; a pair of equal names is only awkward.
    const auto countGrade = [](int count, BalanceFigure::Grade whenAny) {
        return count == 0 ? BalanceFigure::Good : whenAny;
    };
    const int unplaced = int(report.unplaced.size());
    const int violations = int(report.ruleViolations.size());
    return {
        {"size_dev", QStringLiteral("班级人数最大偏差"), report.sizeDev, gradeBelow(report.sizeDev, 1.0)},
        {"worst_sex_dev", QStringLiteral("男女人数最大偏差"), report.worstSexDev(),
         gradeBelow(report.worstSexDev(), 1.0)},
        {"worst_category_dev", QStringLiteral("分类人数最大偏差"), report.worstCategoryDev(),
         gradeBelow(report.worstCategoryDev(), 1.0)},
        {"worst_subject_mean_dev", QStringLiteral("单科平均分最大偏差"), report.worstSubjectMeanDev(),
         gradeAtMost(report.worstSubjectMeanDev(), 0.3)},
        {"worst_total_mean_dev", QStringLiteral("总分平均分最大偏差"), report.worstTotalMeanDev(),
         gradeAtMost(report.worstTotalMeanDev(), 1.0)},
        {"worst_subject_sd_dev", QStringLiteral("单科标准差最大偏差"), report.worstSubjectSdDev(),
         gradeAtMost(report.worstSubjectSdDev(), 0.5)},
        {"worst_band_dev", QStringLiteral("分数段人数最大偏差"), report.worstBandDev(),
         gradeAtMost(report.worstBandDev(), 2.0)},
        {"same_pinyin_pairs", QStringLiteral("同音姓名同班对数"), double(report.samePinyinPairs),
         countGrade(report.samePinyinPairs, BalanceFigure::Poor), true},
        {"same_name_pairs", QStringLiteral("同名同班对数"), double(report.sameNamePairs),
         countGrade(report.sameNamePairs, BalanceFigure::Fair), true},
        {"unplaced", QStringLiteral("未分班人数"), double(unplaced),
         countGrade(unplaced, BalanceFigure::Poor), true},
        // Last, so that the lines printed before rules existed keep their places.
        {"rule_violations", QStringLiteral("违反分开/同班规则数"), double(violations),
         countGrade(violations, BalanceFigure::Poor), true},
    };
}

QString worseFiguresLine(const BalanceReport &before, const BalanceReport &after) {
    const auto earlier = balanceSummary(before);
    const auto later = balanceSummary(after);
    QStringList worse;
    for (std::size_t i = 0; i < earlier.size() && i < later.size(); ++i) {
        // Compared as shown: a difference the teacher cannot see is none.
        const bool grown =
            balanceFigureText(later[i]) != balanceFigureText(earlier[i]) && later[i].value > earlier[i].value;
        if (grown)
            worse.append(later[i].label);
    }
    return worse.isEmpty() ? QString()
                           : QStringLiteral("以下指标比优化前差: ") + worse.join(QStringLiteral("、"));
}

QString optimiseProgressText(const OptimiseFigures &start, const OptimiseFigures &best) {
    const auto pair = [](const QString &label, double from, double to) {
        return QStringLiteral("%1 %2 → %3")
            .arg(label, QString::number(from, 'f', 2), QString::number(to, 'f', 2));
    };
    QStringList parts{pair(QStringLiteral("总分平均分最大偏差"), start.totalMean, best.totalMean),
                      pair(QStringLiteral("单科平均分最大偏差"), start.subjectMean, best.subjectMean),
                      pair(QStringLiteral("单科标准差最大偏差"), start.subjectSd, best.subjectSd),
                      pair(QStringLiteral("分数段人数最大偏差"), start.bands, best.bands)};
    return parts.join(QStringLiteral("，"));
}

} // namespace fenban::reports
