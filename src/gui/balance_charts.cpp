#include "gui/balance_charts.h"

#include "gui/chart_content.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace fenban::gui {

namespace {

// The measures in the order of the statistics window's tabs (语文 first), then the total.
constexpr std::array<std::size_t, reports::measureCount> measureOrder{2, 0, 1, 3, 4, 5, 6, 7, 8, 9};

QString measureLabel(std::size_t measure) {
    return QString::fromStdString(std::string(measure < subjectCount ? subjects[measure].label : totalLabel));
}

QStringList classLabels(const reports::BalanceReport &report) {
    QStringList labels;
    for (const reports::ClassBalance &figures : report.classes)
        labels.append(QString::number(figures.classId) + QStringLiteral("班"));
    return labels;
}

} // namespace

BalanceCharts::BalanceCharts(QWidget *parent) : QWidget(parent) {
    m_measureBox = new QComboBox(this);
    m_measureBox->setObjectName(QStringLiteral("cbChartMeasure"));
    for (const std::size_t measure : measureOrder)
        m_measureBox->addItem(measureLabel(measure), int(measure));
    m_measureBox->setCurrentIndex(m_measureBox->count() - 1);
    m_meansView = newChartView(QStringLiteral("cvMeans"), QStringLiteral("各班平均分"), this);
    m_totalsView = newChartView(QStringLiteral("cvTotals"), QStringLiteral("各班总分分布"), this);
    m_sexView = newChartView(QStringLiteral("cvSex"), QStringLiteral("各班男女人数"), this);
    m_categoryView = newChartView(QStringLiteral("cvCategories"), QStringLiteral("各班分类人数"), this);

    auto *choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("平均分科目"), this));
    choice->addWidget(m_measureBox);
    choice->addStretch();
    auto *grid = new QGridLayout;
    grid->addWidget(m_meansView, 0, 0);
    grid->addWidget(m_totalsView, 0, 1);
    grid->addWidget(m_sexView, 1, 0);
    grid->addWidget(m_categoryView, 1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(choice);
    layout->addLayout(grid, 1);

    connect(m_measureBox, &QComboBox::currentIndexChanged, this, &BalanceCharts::showMeans);
}

void BalanceCharts::showFigures(const reports::BalanceReport &report, const reports::ChartFigures &figures) {
    m_report = report;
    m_figures = figures;
    showMeans();
    showTotals();
    showHeadCounts();
}

void BalanceCharts::showMeans() {
    const auto measure = std::size_t(m_measureBox->currentData().toInt());
    const double cohortMean = m_figures.cohortMean[measure];
    ChartContent content;
    content.title = QStringLiteral("各班%1平均分").arg(measureLabel(measure));
    content.classes = classLabels(m_report);
    content.lowest = cohortMean;
    content.highest = cohortMean;
    ChartContent::BarSet means{QStringLiteral("班级平均分"), {}};
    for (const reports::ClassBalance &figures : m_report.classes) {
        const double mean = figures.mean[measure];
        means.values.append(mean);
        if (figures.size > 0) {
            content.lowest = std::min(content.lowest, mean);
            content.highest = std::max(content.highest, mean);
        }
    }
    content.sets.append(means);
    content.reference =
        ChartContent::Reference{QStringLiteral("全体平均分 %1").arg(cohortMean, 0, 'f', 2), cohortMean};
    showChart(m_meansView, content);
}

void BalanceCharts::showTotals() {
    ChartContent content;
    content.title = QStringLiteral("各班总分分布");
    content.kind = ChartContent::Kind::Boxes;
    content.classes = classLabels(m_report);
    content.boxesName = QStringLiteral("总分");
    content.legend = false;
    content.lowest = std::numeric_limits<double>::infinity();
    content.highest = -content.lowest;
    for (qsizetype i = 0; i < content.classes.size(); ++i) {
        const auto figures = std::size_t(i) < m_figures.totalBoxes.size()
                                 ? m_figures.totalBoxes[std::size_t(i)]
                                 : std::nullopt;
        // An empty class keeps its place on the axis with no box.
        if (figures) {
            content.lowest = std::min(content.lowest, figures->lowerExtreme);
            content.highest = std::max(content.highest, figures->upperExtreme);
        }
        content.boxes.push_back(figures);
    }
    showChart(m_totalsView, content);
}

void BalanceCharts::showHeadCounts() {
    ChartContent sexes;
    sexes.title = QStringLiteral("各班男女人数");
    sexes.kind = ChartContent::Kind::StackedBars;
    sexes.classes = classLabels(m_report);
    ChartContent::BarSet boys{QStringLiteral("男"), {}};
    ChartContent::BarSet girls{QStringLiteral("女"), {}};
    int tallest = 0;
    for (const reports::ClassBalance &figures : m_report.classes) {
        boys.values.append(figures.boys);
        girls.values.append(figures.girls);
        tallest = std::max(tallest, figures.boys + figures.girls);
    }
    sexes.sets = {boys, girls};
    sexes.lowest = 0;
    sexes.highest = tallest;
    showChart(m_sexView, sexes);

    ChartContent categories;
    categories.title = m_report.categoryNames.empty() ? QStringLiteral("各班分类人数（无分类）")
                                                      : QStringLiteral("各班分类人数");
    categories.kind = ChartContent::Kind::StackedBars;
    categories.classes = sexes.classes;
    std::vector<int> stacks(m_report.classes.size(), 0);
    for (std::size_t i = 0; i < m_report.categoryNames.size(); ++i) {
        ChartContent::BarSet set{QString::fromStdString(m_report.categoryNames[i]), {}};
        for (std::size_t c = 0; c < m_report.classes.size(); ++c) {
            const std::vector<int> &counts = m_report.classes[c].categories;
            const int count = i < counts.size() ? counts[i] : 0;
            set.values.append(count);
            stacks[c] += count;
        }
        categories.sets.append(set);
    }
    categories.lowest = 0;
    categories.highest = stacks.empty() ? 0 : *std::max_element(stacks.begin(), stacks.end());
    showChart(m_categoryView, categories);
}

} // namespace fenban::gui
