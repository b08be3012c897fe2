#include "reports/class_statistics.h"

#include "engine/subject.h"

#include <QMap>

#include <algorithm>
#include <cmath>
#include <optional>

namespace fenban::reports {

namespace {

constexpr int measureCount = int(subjectCount) + 1; // the nine subjects and the total
constexpr int totalMeasure = int(subjectCount);
constexpr int firstBandsShown = 16; // 0~9分 to 150分, shown even when empty
// Scores from 1000 up share the last band, so that an impossible stored score (1e308, say) cannot
// ask for millions of columns.
constexpr int lastBand = 100;
// Hundredths beyond this do not fit a 64-bit integer; only hand-edited scores average that high.
constexpr double largestHundredths = 9.0e18;
// The tabs list chinese first, then math and english; the rest in subject order.
constexpr std::array<std::size_t, subjectCount> bandTabOrder{2, 0, 1, 3, 4, 5, 6, 7, 8};

QString label(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

QString classLabel(int classId) {
    return QString::number(classId) + QStringLiteral("班");
}

// Whole hundredths, halves to even. Averages such as 80.125 are exact halves in binary; a decimal
// half such as 1.005 arrives a hair off .5, so nearness within the arithmetic's own error counts as
// a tie too. Nothing for a value with no such figure: not a number, infinite, or too large.
std::optional<qint64> hundredths(double value) {
    const double scaled = value * 100.0;
    if (!(std::abs(scaled) < largestHundredths))
        return std::nullopt;
    const double lower = std::floor(scaled);
    const double tolerance = 1e-11 * std::max(1.0, std::abs(scaled));
    if (std::abs(scaled - lower - 0.5) <= tolerance) {
        const auto down = static_cast<qint64>(lower);
        return down % 2 == 0 ? down : down + 1;
    }
    return std::llround(scaled);
}

QString hundredthsText(qint64 cents) {
    const qint64 magnitude = cents < 0 ? -cents : cents;
    const QString text = (cents < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / 100) +
                         QLatin1Char('.') +
                         QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
    return text.rightJustified(8, QLatin1Char(' '));
}

// A figure as shown: two decimals where it has them, otherwise as the number it is ("1e+308").
QString figureText(double value) {
    if (const auto cents = hundredths(value))
        return hundredthsText(*cents);
    return QString::number(value, 'g', 6).rightJustified(8, QLatin1Char(' '));
}

class Mean {
public:
    void add(const std::optional<double> &value) {
        if (value) {
            m_sum += *value;
            ++m_count;
        }
    }
    // Nothing when no value was added: a subject nobody has a score in has no average.
    std::optional<double> value() const {
        return m_count ? std::optional<double>(m_sum / double(m_count)) : std::nullopt;
    }

private:
    double m_sum = 0;
    qsizetype m_count = 0;
};

using Means = std::array<Mean, measureCount>;

void addScores(Means &means, const store::StudentRecord &student) {
    for (std::size_t i = 0; i < subjectCount; ++i)
        means[i].add(student.scores[i]);
    // The total counts a missing score as 0, as the total does everywhere else in the program.
    means[totalMeasure].add(student.total());
}

// Band b holds the scores from 10b to 10b + 9.99; nothing for a missing or negative score.
std::optional<int> bandOf(const std::optional<double> &score) {
    if (!score || !(*score >= 0))
        return std::nullopt;
    const double band = std::floor(*score / 10.0);
    return band < lastBand ? static_cast<int>(band) : lastBand;
}

QString bandHeader(int band) {
    if (band == 15)
        return QStringLiteral("150分");
    if (band == lastBand)
        return QStringLiteral("%1分以上").arg(lastBand * 10);
    return QStringLiteral("%1~%2分").arg(band * 10).arg(band * 10 + 9);
}

QString countText(int count) {
    return count ? QString::number(count) : QString();
}

ReportGrid summaryGrid(const QList<int> &classIds, const QList<QList<const store::StudentRecord *>> &byClass,
                       const Means &whole) {
    ReportGrid grid;
    grid.title = QStringLiteral("班级信息");
    grid.headers = QStringList{QStringLiteral("班级"), QStringLiteral("男生数"), QStringLiteral("女生数"),
                               QStringLiteral("总人数")};
    for (int measure = 0; measure < measureCount; ++measure) {
        const QString name =
            measure == totalMeasure ? label(totalLabel) : label(subjects[std::size_t(measure)].label);
        grid.headers << name + QStringLiteral("平均分") << name + QStringLiteral("偏差");
    }
    grid.headers << QStringLiteral("是否重分");

    for (qsizetype row = 0; row < classIds.size(); ++row) {
        Means means;
        int boys = 0;
        int girls = 0;
        for (const store::StudentRecord *student : byClass[row]) {
            const QString sex = student->sex.trimmed();
            boys += sex == QStringLiteral("男");
            girls += sex == QStringLiteral("女");
            addScores(means, *student);
        }
        QStringList cells{classLabel(classIds[row]), QString::number(boys), QString::number(girls),
                          QString::number(byClass[row].size())};
        for (int measure = 0; measure < measureCount; ++measure) {
            const auto average = means[measure].value();
            const auto overall = whole[measure].value();
            cells << (average ? averageText(*average) : QString());
            if (!average || !overall) {
                cells << QString();
                continue;
            }
            // Judged on the value as shown, so that a cell reading 1.00 is never red.
            const double difference = *average - *overall;
            const auto deviation = hundredths(difference);
            cells << figureText(difference);
            if (deviation ? *deviation > 100 || *deviation < -100 : !std::isnan(difference))
                grid.highlighted.append({int(row), summaryAverageColumn(measure) + 1});
        }
        cells << QString();
        grid.rows.append(cells);
    }

    // An empty table has no whole to describe.
    if (!classIds.isEmpty()) {
        QStringList cells(4);
        for (int measure = 0; measure < measureCount; ++measure) {
            const auto overall = whole[measure].value();
            cells << (overall ? averageText(*overall) : QString())
                  << (overall ? hundredthsText(0) : QString());
        }
        cells << QString();
        grid.rows.append(cells);
    }
    return grid;
}

ReportGrid bandGrid(std::size_t subject, const QList<int> &classIds,
                    const QList<QList<const store::StudentRecord *>> &byClass) {
    QList<QMap<int, int>> counts(classIds.size());
    int bandsShown = firstBandsShown;
    for (qsizetype row = 0; row < classIds.size(); ++row) {
        for (const store::StudentRecord *student : byClass[row]) {
            if (const auto band = bandOf(student->scores[subject])) {
                ++counts[row][*band];
                bandsShown = std::max(bandsShown, *band + 1);
            }
        }
    }
    ReportGrid grid;
    grid.title = label(subjects[subject].label);
    grid.headers.append(QStringLiteral("班级"));
    for (int band = 0; band < bandsShown; ++band)
        grid.headers.append(bandHeader(band));
    for (qsizetype row = 0; row < classIds.size(); ++row) {
        QStringList cells{classLabel(classIds[row])};
        for (int band = 0; band < bandsShown; ++band)
            cells.append(countText(counts[row].value(band)));
        grid.rows.append(cells);
    }
    return grid;
}

ReportGrid categoryGrid(const QList<int> &classIds,
                        const QList<QList<const store::StudentRecord *>> &byClass) {
    // One column per category as a teacher reads it: surrounding blanks make no new category. The
    // columns follow the database's byte order of the texts, so the empty category comes first.
    QList<QString> categories;
    for (const auto &students : byClass)
        for (const store::StudentRecord *student : students)
            categories.append(student->pfType.trimmed());
    std::sort(categories.begin(), categories.end(),
              [](const QString &a, const QString &b) { return a.toUtf8() < b.toUtf8(); });
    categories.erase(std::unique(categories.begin(), categories.end()), categories.end());

    ReportGrid grid;
    grid.title = QStringLiteral("每一类的人数");
    grid.headers.append(QString());
    for (const QString &category : categories)
        grid.headers.append(category.isEmpty() ? QStringLiteral("未分类") : category);
    for (qsizetype row = 0; row < classIds.size(); ++row) {
        QList<int> counts(categories.size());
        for (const store::StudentRecord *student : byClass[row])
            ++counts[categories.indexOf(student->pfType.trimmed())];
        QStringList cells{classLabel(classIds[row])};
        for (int count : counts)
            cells.append(countText(count));
        grid.rows.append(cells);
    }
    return grid;
}

} // namespace

QList<ReportGrid> ClassStatistics::grids() const {
    return QList<ReportGrid>{summary} + bands + QList<ReportGrid>{categories};
}

QString averageText(double value) {
    return figureText(value);
}

ClassStatistics classStatistics(const QList<store::StudentRecord> &students) {
    QMap<int, QList<const store::StudentRecord *>> grouped;
    Means whole;
    for (const store::StudentRecord &student : students) {
        grouped[student.classId].append(&student);
        addScores(whole, student);
    }
    const QList<int> classIds = grouped.keys();
    const QList<QList<const store::StudentRecord *>> byClass = grouped.values();

    ClassStatistics statistics;
    statistics.classIds = classIds;
    statistics.summary = summaryGrid(classIds, byClass, whole);
    for (std::size_t subject : bandTabOrder)
        statistics.bands.append(bandGrid(subject, classIds, byClass));
    statistics.categories = categoryGrid(classIds, byClass);
    return statistics;
}

store::Result<ClassStatistics> loadClassStatistics(QSqlDatabase db, int projectId) {
    const auto students = store::StudentStore(std::move(db)).byClass(projectId);
    if (!students)
        return store::Result<ClassStatistics>::failure(students.error());
    return store::Result<ClassStatistics>::success(classStatistics(students.value()));
}

} // namespace fenban::reports
