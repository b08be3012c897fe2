#include "exchange/sheets/sheet.h"
#include "exchange/sheets/zip_package.h"
#include "gui/balance_view.h"
#include "gui/class_statistics_window.h"
#include "gui/division_window.h"
#include "gui/main_window.h"
#include "reports/balance.h"
#include "store/optimise_settings.h"
#include "store/projects.h"
#include "store/student_groups.h"
#include "store/students.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#if FENBAN_WITH_QT_CHARTS
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBoxPlotSeries>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QStackedBarSeries>
#else
#include "gui/painted_chart.h"
#endif

#include <optional>

using fenban::gui::BalanceView;
using fenban::gui::ClassStatisticsWindow;
using fenban::gui::DivisionWindow;
using fenban::gui::MainWindow;
using fenban::store::StudentRecord;

using namespace Qt::StringLiterals;

namespace {

// Two students still in class 0, then six in each of the classes 1 to 4; class 1 is far ahead in math.
QList<StudentRecord> placedCohort() {
    QList<StudentRecord> students;
    for (int id = 1; id <= 26; ++id) {
        StudentRecord record;
        record.studentId = 1000 + id;
        record.name = QStringLiteral("学生%1").arg(id);
        record.sex = id % 2 ? QStringLiteral("男") : QStringLiteral("女");
        record.classId = id <= 2 ? 0 : (id - 3) / 6 + 1;
        for (std::size_t i = 0; i < record.scores.size(); ++i)
            record.scores[i] = 40 + (id * 7 + static_cast<int>(i) * 13) % 50;
        if (record.classId == 1)
            record.scores[0] = 140;
        record.pingyin = QStringLiteral("XUE SHENG %1").arg(id);
        students.append(record);
    }
    return students;
}

// What a balance chart shows per class, read from whichever kind of view the build draws it with.
struct ChartEntries {
    bool found = false;
    QString title;
    QStringList classes;
    bool stacked = false;
    QList<QList<double>> sets; // the bars of each set, one per class
    qsizetype boxes = 0;       // places for a box, one per class
    std::optional<double> reference;
};

ChartEntries chartEntries(const QWidget *page, const QString &viewName) {
    ChartEntries entries;
#if FENBAN_WITH_QT_CHARTS
    const auto *view = page->findChild<QChartView *>(viewName);
    if (!view)
        return entries;
    entries.found = true;
    const QChart *chart = view->chart();
    entries.title = chart->title();
    const auto axes = chart->axes(Qt::Horizontal);
    if (auto *axis = axes.isEmpty() ? nullptr : qobject_cast<QBarCategoryAxis *>(axes.first()))
        entries.classes = axis->categories();
    for (QAbstractSeries *series : chart->series()) {
        if (auto *bars = qobject_cast<QAbstractBarSeries *>(series)) {
            entries.stacked = qobject_cast<QStackedBarSeries *>(series) != nullptr;
            for (const QBarSet *set : bars->barSets()) {
                QList<double> values;
                for (int i = 0; i < set->count(); ++i)
                    values.append(set->at(i));
                entries.sets.append(values);
            }
        } else if (auto *boxes = qobject_cast<QBoxPlotSeries *>(series)) {
            entries.boxes = boxes->count();
        } else if (auto *line = qobject_cast<QLineSeries *>(series)) {
            // Flat across the whole width.
            if (line->count() == 2 && line->at(0).y() == line->at(1).y())
                entries.reference = line->at(0).y();
        }
    }
#else
    const auto *view = page->findChild<fenban::gui::PaintedChart *>(viewName);
    if (!view)
        return entries;
    entries.found = true;
    const fenban::gui::ChartContent &content = view->content();
    entries.title = content.title;
    entries.classes = content.classes;
    entries.stacked = content.kind == fenban::gui::ChartContent::Kind::StackedBars;
    if (content.kind != fenban::gui::ChartContent::Kind::Boxes)
        for (const auto &set : content.sets)
            entries.sets.append(set.values);
    entries.boxes = qsizetype(content.boxes.size());
    if (content.reference)
        entries.reference = content.reference->value;
#endif
    return entries;
}

} // namespace

class ClassStatisticsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void showsTheFiguresOfTheCurrentProject();
    void exportWritesTheGridsAndOpensTheFile();
    void redivisionSendsTheMarkedClassNumbers();
    void anotherProjectClosesTheWindow();
    void balanceTabShowsTheFiguresAndTheUnplaced();
    void chartsHaveOneEntryPerClass();
    void optimiseButtonRunsTheOptimisationAndRefreshes();
    void classLabelsStayWhileTheFiguresScroll();

private:
    void click(QWidget *root, const QString &name);
    ClassStatisticsWindow *openStatistics();
    QTableWidget *grid(const QString &name);
    QList<StudentRecord> studentsOfClasses(const QList<int> &classIds);

    fenban::testing::WindowFixture m_fixture;
    MainWindow *m_window = nullptr;
    ClassStatisticsWindow *m_statistics = nullptr;
};

void ClassStatisticsWindowTest::init() {
    const QString problem = m_fixture.open();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    m_window = m_fixture.window();
    const auto project =
        fenban::store::ProjectStore(m_fixture.connection()).create({QStringLiteral("高一"), 4});
    QVERIFY(project);
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection()).replaceAll(1, placedCohort()).kind,
             fenban::store::ReplaceOutcome::Written);
    m_window->setCurrentProject(project.value());
    m_statistics = openStatistics();
    QVERIFY(m_statistics);
}

void ClassStatisticsWindowTest::cleanup() {
    m_statistics = nullptr;
    m_fixture.close();
}

void ClassStatisticsWindowTest::click(QWidget *root, const QString &name) {
    auto *button = root->findChild<QAbstractButton *>(name);
    QVERIFY2(button, qPrintable(name));
    QTest::mouseClick(button, Qt::LeftButton);
}

ClassStatisticsWindow *ClassStatisticsWindowTest::openStatistics() {
    click(m_window, QStringLiteral("ToolButton5"));
    return m_window->findChild<ClassStatisticsWindow *>(QStringLiteral("frm_class_info"));
}

QTableWidget *ClassStatisticsWindowTest::grid(const QString &name) {
    return m_statistics->findChild<QTableWidget *>(name);
}

QList<StudentRecord> ClassStatisticsWindowTest::studentsOfClasses(const QList<int> &classIds) {
    QList<StudentRecord> chosen;
    const auto students = fenban::store::StudentStore(m_fixture.connection()).byClass(1);
    for (const StudentRecord &record : students.value())
        if (classIds.contains(record.classId))
            chosen.append(record);
    return chosen;
}

void ClassStatisticsWindowTest::showsTheFiguresOfTheCurrentProject() {
    QCOMPARE(m_statistics->windowTitle(), QStringLiteral("班级信息"));
    auto *tabs = m_statistics->findChild<QTabWidget *>();
    QCOMPARE(tabs->count(), 13);
    QCOMPARE(tabs->tabText(0), QStringLiteral("班级信息"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("语文"));
    QCOMPARE(tabs->tabText(10), QStringLiteral("每一类的人数"));
    QCOMPARE(tabs->tabText(11), QStringLiteral("均衡度"));
    QCOMPARE(tabs->tabText(12), QStringLiteral("均衡图表"));

    QTableWidget *summary = grid(QStringLiteral("sgClass_info"));
    QCOMPARE(summary->columnCount(), 26);
    QCOMPARE(summary->rowCount(), 6); // classes 0 to 4 and the whole table
    QCOMPARE(summary->horizontalHeaderItem(5)->text(), QStringLiteral("数学平均分"));
    const QStringList firstRow{summary->item(0, 1)->text(), summary->item(0, 4)->text()};
    QCOMPARE(firstRow, (QStringList{QStringLiteral("0班"), QStringLiteral("2")}));
    QCOMPARE(summary->item(1, 1)->text(), QStringLiteral("1班"));
    QCOMPARE(summary->item(1, 2)->text(), QStringLiteral("3"));
    QCOMPARE(summary->item(1, 5)->text(), QStringLiteral("  140.00"));
    QCOMPARE(summary->item(5, 1)->text(), QString());
    QCOMPARE(summary->item(5, 6)->text(), QStringLiteral("    0.00"));

    const QColor red(255, 0, 0);
    QCOMPARE(summary->item(1, 6)->foreground().color(), red);  // math of class 1, far above
    QVERIFY(summary->item(1, 5)->foreground().color() != red); // an average is never red
    QVERIFY(summary->item(5, 6)->foreground().color() != red); // the whole table against itself
    for (int row = 0; row < summary->rowCount(); ++row)
        for (int column = 6; column <= 24; column += 2) {
            const QTableWidgetItem *item = summary->item(row, column);
            const bool far = std::abs(item->text().toDouble()) > 1.0;
            QVERIFY2((item->foreground().color() == red) == far, qPrintable(item->text()));
        }

    QTableWidget *math = grid(QStringLiteral("sgMath"));
    QCOMPARE(math->rowCount(), 5);
    QCOMPARE(math->horizontalHeaderItem(16)->text(), QStringLiteral("140~149分"));
    QCOMPARE(math->item(1, 16)->text(), QStringLiteral("6"));
    QTableWidget *categories = grid(QStringLiteral("sgType"));
    QCOMPARE(categories->horizontalHeaderItem(2)->text(), QStringLiteral("未分类"));
    QCOMPARE(categories->item(0, 2)->text(), QStringLiteral("2"));

    auto *classes = m_statistics->findChild<QListWidget *>(QStringLiteral("lb_class"));
    QStringList entries;
    for (int row = 0; row < classes->count(); ++row)
        entries.append(classes->item(row)->text());
    QCOMPARE(entries, (QStringList{u"0班"_s, u"1班"_s, u"2班"_s, u"3班"_s, u"4班"_s}));

    // A new figure shows after "更新数据"; the toolbar shows the same window, and "取消" ends it.
    auto students = fenban::store::StudentStore(m_fixture.connection()).byClass(1).value();
    students.first().classId = 4;
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection()).replaceAll(1, students).kind,
             fenban::store::ReplaceOutcome::Written);
    click(m_statistics, QStringLiteral("Button1"));
    QCOMPARE(summary->item(0, 4)->text(), QStringLiteral("1"));
    QCOMPARE(summary->item(4, 4)->text(), QStringLiteral("7"));
    QCOMPARE(openStatistics(), m_statistics);
    QVERIFY(fenban::testing::shownMessages().isEmpty());
    click(m_statistics, QStringLiteral("Button2"));
    QTRY_VERIFY(!m_window->findChild<ClassStatisticsWindow *>());
    // Its frame goes with it.
    QTRY_VERIFY(m_window->mdiArea()->subWindowList().isEmpty());
}

void ClassStatisticsWindowTest::exportWritesTheGridsAndOpensTheFile() {
    const QString path = m_fixture.filePath(QStringLiteral("分班明细表.xlsx"));
    fenban::gui::FileDialog::queueFileName(path);
    click(m_statistics, QStringLiteral("BitBtn2"));
    QCOMPARE(fenban::gui::FileDialog::takeOpened(), QStringList{path});
    QCOMPARE(fenban::testing::shownMessages(),
             QStringList{QStringLiteral("已导出到文件：") + QDir::toNativeSeparators(path)});
    const auto sheet = fenban::exchange::readFirstSheet(path);
    QVERIFY2(sheet, qPrintable(sheet.error()));
    QTableWidget *summary = grid(QStringLiteral("sgClass_info"));
    QCOMPARE(sheet->cell(1, 1), QStringLiteral("班级"));
    // The figure as a number, not the padded text of the grid.
    QCOMPARE(sheet->cell(3, 5).toDouble(), summary->item(1, 5)->text().trimmed().toDouble());
    QCOMPARE(sheet->cell(3, 5), sheet->cell(3, 5).trimmed());
    // Stored as a number cell (no text type) with two decimals shown.
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const auto package = fenban::exchange::ZipPackage::open(written.readAll());
    QVERIFY(package);
    const QByteArray cells = package->read(QStringLiteral("xl/worksheets/sheet1.xml")).data;
    const qsizetype at = cells.indexOf("r=\"E3\"");
    QVERIFY(at > 0);
    const QByteArray cell = cells.mid(at, cells.indexOf('>', at) - at);
    QVERIFY2(!cell.contains("t=") && cell.contains("s="), cell.constData());
    // Seven summary rows, three rows apart, then the title and the chinese grid.
    QCOMPARE(sheet->cell(11, 1), QStringLiteral("语文"));
    QCOMPARE(sheet->cell(12, 2), QStringLiteral("0~9分"));
    QCOMPARE(sheet->cell(13, 1), QStringLiteral("0班"));
    QCOMPARE(sheet->cell(21, 1), QStringLiteral("数学"));

    // Cancelling writes nothing; a file that cannot be written is named.
    click(m_statistics, QStringLiteral("BitBtn2"));
    const QString unwritable = m_fixture.filePath(QStringLiteral("no/folder/x.xlsx"));
    fenban::gui::FileDialog::queueFileName(unwritable);
    click(m_statistics, QStringLiteral("BitBtn2"));
    const QStringList messages = fenban::testing::shownMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(QDir::toNativeSeparators(unwritable)), qPrintable(messages.first()));
    QVERIFY(fenban::gui::FileDialog::takeOpened().isEmpty());
}

void ClassStatisticsWindowTest::redivisionSendsTheMarkedClassNumbers() {
    QSignalSpy requested(m_statistics, &ClassStatisticsWindow::redivisionRequested);
    click(m_statistics, QStringLiteral("BitBtn1"));
    QCOMPARE(requested.count(), 0);
    QCOMPARE(fenban::testing::shownMessages(), QStringList{QStringLiteral("请选择要重新分班的班级")});
    QVERIFY(!m_window->findChild<DivisionWindow *>());

    const QList<StudentRecord> untouched = studentsOfClasses({0, 1, 3});
    const QList<StudentRecord> chosen = studentsOfClasses({2, 4});
    auto *classes = m_statistics->findChild<QListWidget *>(QStringLiteral("lb_class"));
    // The list starts with 0班, which cannot be chosen; 2班 and 4班 stand at positions 3 and 5.
    QVERIFY(!(classes->item(0)->flags() & Qt::ItemIsSelectable));
    classes->item(2)->setSelected(true);
    classes->item(4)->setSelected(true);
    click(m_statistics, QStringLiteral("BitBtn1"));
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.first().first().value<QList<int>>(), (QList<int>{2, 4}));
    auto *result = m_window->findChild<DivisionWindow *>();
    QVERIFY(result);
    QVERIFY(result->isRunning());
    QSignalSpy ended(result, &DivisionWindow::runEnded);
    QVERIFY(ended.wait(60000));

    QCOMPARE(studentsOfClasses({0, 1, 3}), untouched);
    QCOMPARE(studentsOfClasses({2, 4}).size(), chosen.size());
    auto *shown = result->findChild<QTableWidget *>(QStringLiteral("sgClassShow"));
    QCOMPARE(shown->rowCount(), chosen.size());
    for (int row = 0; row < shown->rowCount(); ++row) {
        const QString label = shown->item(row, 17)->text();
        QVERIFY2(label == QStringLiteral("2班") || label == QStringLiteral("4班"), qPrintable(label));
    }
    QVERIFY(fenban::testing::shownMessages().isEmpty());
}

// Figures of the old project must not stay on screen under the new one: the window closes, and
// opened again it shows the project chosen now.
void ClassStatisticsWindowTest::anotherProjectClosesTheWindow() {
    const auto second =
        fenban::store::ProjectStore(m_fixture.connection()).create({QStringLiteral("高二"), 2});
    QVERIFY(second);
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection()).replaceAll(2, placedCohort().first(8)).kind,
             fenban::store::ReplaceOutcome::Written);
    QCOMPARE(grid(QStringLiteral("sgClass_info"))->rowCount(), 6);

    QMdiArea *area = m_window->mdiArea();
    QCOMPARE(area->subWindowList().size(), 1);
    QCOMPARE(area->subWindowList().first()->windowTitle(), QStringLiteral("班级信息 - 高一"));

    m_window->setCurrentProject(second.value());
    QVERIFY(area->subWindowList().isEmpty());
    QVERIFY(!m_window->findChild<ClassStatisticsWindow *>());
    m_statistics = openStatistics();
    QVERIFY(m_statistics);
    QCOMPARE(area->subWindowList().first()->windowTitle(), QStringLiteral("班级信息 - 高二"));
    QTableWidget *summary = grid(QStringLiteral("sgClass_info"));
    QCOMPARE(summary->rowCount(), 3); // classes 0 and 1 and the whole table
    QCOMPARE(summary->item(1, 1)->text(), QStringLiteral("1班"));
    QCOMPARE(summary->item(1, 2)->text(), QStringLiteral("3"));
    QVERIFY(fenban::testing::shownMessages().isEmpty());
}

void ClassStatisticsWindowTest::balanceTabShowsTheFiguresAndTheUnplaced() {
    // A third student outside the classes, for want of a sex; the two in class 0 have one.
    QList<StudentRecord> students = placedCohort();
    students[2].sex.clear();
    students[2].classId = 0;
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection()).replaceAll(1, students).kind,
             fenban::store::ReplaceOutcome::Written);
    // Both in class 1, which breaks keeping them apart.
    const auto rule =
        fenban::store::addGroup(m_fixture.connection(), 1, fenban::StudentGroup::Kind::Apart, {1004, 1005});
    QVERIFY(rule);
    click(m_statistics, QStringLiteral("Button1"));

    auto *page = m_statistics->findChild<QWidget *>(QStringLiteral("tsBalance"));
    QVERIFY(page);
    const auto report = fenban::reports::loadBalanceReport(m_fixture.connection(), 1);
    QVERIFY(report);
    const auto figures = fenban::reports::balanceSummary(report.value());
    auto *summary = page->findChild<QTableWidget *>(QStringLiteral("sgBalanceSummary"));
    QCOMPARE(summary->rowCount(), int(figures.size()));
    int unplacedRow = -1;
    for (int row = 0; row < summary->rowCount(); ++row) {
        const auto &figure = figures[std::size_t(row)];
        QCOMPARE(summary->item(row, 0)->text(), figure.label);
        QCOMPARE(summary->item(row, 1)->background().color(), BalanceView::gradeColour(figure.grade));
        if (figure.name == "unplaced")
            unplacedRow = row;
        else if (figure.name == "worst_subject_mean_dev")
            QCOMPARE(summary->item(row, 1)->text(), QString::number(figure.value, 'f', 2));
    }
    // Counts are whole numbers, and three students in no class miss a goal of none.
    QVERIFY(unplacedRow >= 0);
    QCOMPARE(summary->item(unplacedRow, 1)->text(), QStringLiteral("3"));
    QVERIFY(summary->item(unplacedRow, 1)->background().color() !=
            BalanceView::gradeColour(fenban::reports::BalanceFigure::Good));

    auto *unplaced = page->findChild<QTableWidget *>(QStringLiteral("sgUnplaced"));
    QCOMPARE(unplaced->rowCount(), 3);
    QStringList rows;
    for (int row = 0; row < unplaced->rowCount(); ++row)
        rows.append(QStringList{unplaced->item(row, 0)->text(), unplaced->item(row, 1)->text(),
                                unplaced->item(row, 2)->text()}
                        .join(u' '));
    QVERIFY2(rows.contains(u"1003 学生3 性别为空"_s), qPrintable(rows.join(u'|')));

    auto *rules = page->findChild<QTableWidget *>(QStringLiteral("sgRuleViolations"));
    QVERIFY(rules);
    QCOMPARE(rules->rowCount(), 1);
    QCOMPARE(rules->item(0, 0)->text(), QString::number(rule.value()));
    QCOMPARE(rules->item(0, 1)->text(), u"分开"_s);
    QCOMPARE(rules->item(0, 2)->text(), u"1004 学生4、1005 学生5"_s);
    QCOMPARE(rules->item(0, 3)->text(), u"1班"_s);

    auto *classes = page->findChild<QTableWidget *>(QStringLiteral("sgBalanceClasses"));
    QCOMPARE(classes->rowCount(), 4);
    QCOMPARE(classes->horizontalHeaderItem(1)->text(), QStringLiteral("人数"));
    QCOMPARE(classes->item(0, 0)->text(), QStringLiteral("1班"));
    QCOMPARE(classes->item(0, 1)->text(), QStringLiteral("5"));
    QCOMPARE(classes->item(3, 1)->text(), QStringLiteral("6"));
    QVERIFY(fenban::testing::shownMessages().isEmpty());
}

void ClassStatisticsWindowTest::chartsHaveOneEntryPerClass() {
    auto *page = m_statistics->findChild<QWidget *>(u"tsBalanceCharts"_s);
    QVERIFY(page);
    const QStringList classes{u"1班"_s, u"2班"_s, u"3班"_s, u"4班"_s};
    const ChartEntries means = chartEntries(page, u"cvMeans"_s);
    QVERIFY(means.found);
    QCOMPARE(means.title, u"各班总分平均分"_s);
    QCOMPARE(means.classes, classes);
    QVERIFY(!means.stacked);
    QCOMPARE(means.sets.size(), 1);
    QCOMPARE(means.sets[0].size(), 4);
    QVERIFY(means.reference);
    // The chosen measure is the total at first; class 1 is far ahead in math, and chosen math shows it.
    auto *measure = m_statistics->findChild<QComboBox *>(QStringLiteral("cbChartMeasure"));
    QCOMPARE(measure->count(), 10);
    QCOMPARE(measure->currentText(), QStringLiteral("总分"));
    measure->setCurrentIndex(measure->findText(QStringLiteral("数学")));
    const ChartEntries mathMeans = chartEntries(page, u"cvMeans"_s);
    QCOMPARE(mathMeans.title, u"各班数学平均分"_s);
    QCOMPARE(mathMeans.sets.size(), 1);
    QCOMPARE(mathMeans.sets[0].value(0), 140.0);
    QVERIFY(mathMeans.reference);
    QVERIFY(*mathMeans.reference < 140.0 && *mathMeans.reference > mathMeans.sets[0].value(1));

    const ChartEntries totals = chartEntries(page, u"cvTotals"_s);
    QCOMPARE(totals.title, u"各班总分分布"_s);
    QCOMPARE(totals.classes, classes);
    QCOMPARE(totals.boxes, 4);
    QVERIFY(totals.sets.isEmpty());

    const ChartEntries sexes = chartEntries(page, u"cvSex"_s);
    QCOMPARE(sexes.classes, classes);
    QVERIFY(sexes.stacked);
    QCOMPARE(sexes.sets.size(), 2);
    for (const QList<double> &set : sexes.sets)
        QCOMPARE(set.size(), 4);
    // Classes of six from alternating students: three boys and three girls each.
    QCOMPARE(sexes.sets[0][0], 3.0);
    QCOMPARE(sexes.sets[1][3], 3.0);

    const ChartEntries categories = chartEntries(page, u"cvCategories"_s);
    QCOMPARE(categories.classes, classes);
    QVERIFY(categories.stacked);
    QVERIFY2(categories.title.startsWith(u"各班分类人数"_s), qPrintable(categories.title));

    // Every view draws with what it holds, at a small size too.
    page->resize(640, 480);
    for (const QString &name : {u"cvMeans"_s, u"cvTotals"_s, u"cvSex"_s, u"cvCategories"_s}) {
        auto *view = page->findChild<QWidget *>(name);
        QVERIFY2(view, qPrintable(name));
        QVERIFY(!view->grab().isNull());
    }
}

void ClassStatisticsWindowTest::optimiseButtonRunsTheOptimisationAndRefreshes() {
    QVERIFY(fenban::store::OptimiseSettingsStore(m_fixture.connection()).write(1, {1.0, false}));
    auto *unplaced = grid(QStringLiteral("sgUnplaced"));
    QCOMPARE(unplaced->rowCount(), 2);

    click(m_statistics, QStringLiteral("btnOptimise"));
    auto *result = m_window->findChild<DivisionWindow *>();
    QVERIFY(result);
    QVERIFY(result->isRunning());
    // A second request while it works is refused like any command during a division.
    click(m_statistics, QStringLiteral("btnOptimise"));
    QSignalSpy ended(result, &DivisionWindow::runEnded);
    QVERIFY(ended.wait(60000));

    // The two students of class 0 are placed, and the open window shows it without "更新数据".
    QCOMPARE(unplaced->rowCount(), 0);
    QCOMPARE(studentsOfClasses({0}).size(), 0);
    QCOMPARE(grid(QStringLiteral("sgClass_info"))->item(0, 1)->text(), QStringLiteral("1班"));
    const QStringList messages = fenban::testing::shownMessages();
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages.first(), QStringLiteral("正在分班，请稍候"));
    QVERIFY2(messages.last().startsWith(QStringLiteral("优化均衡完成")), qPrintable(messages.last()));
}

void ClassStatisticsWindowTest::classLabelsStayWhileTheFiguresScroll() {
    // Narrow enough that the figures run past the right edge.
    m_statistics->parentWidget()->resize(420, 400);
    QTableWidget *summary = grid(u"sgClass_info"_s);
    QVERIFY(summary);
    QVERIFY(QTest::qWaitForWindowExposed(summary->window()));
    QScrollBar *sideways = summary->horizontalScrollBar();
    QTRY_VERIFY(sideways->maximum() > 0);
    sideways->setValue(sideways->maximum());
    const QHeaderView *header = summary->horizontalHeader();
    QVERIFY(header->sectionViewportPosition(1) + header->sectionSize(1) <= 0);
    QCOMPARE(summary->columnCount(), int(summary->model()->columnCount()));

    auto *frozen = summary->findChild<QTableView *>(u"sgClass_info_frozen"_s);
    QVERIFY(frozen);
    QVERIFY(frozen->isVisible());
    QCOMPARE(frozen->model(), summary->model());
    QVERIFY(frozen->geometry().left() <= summary->viewport()->geometry().left());
    QVERIFY(frozen->horizontalHeader()->sectionViewportPosition(1) >= 0);
    QVERIFY(frozen->horizontalHeader()->sectionViewportPosition(1) + frozen->columnWidth(1) <=
            frozen->viewport()->width());
    for (int row = 0; row < summary->rowCount(); ++row) {
        QVERIFY(!frozen->isRowHidden(row));
        QCOMPARE(frozen->model()->index(row, 1).data().toString(), summary->item(row, 1)->text());
    }
    QVERIFY(!summary->item(1, 1)->text().isEmpty());
    QVERIFY(frozen->isColumnHidden(2));
}

QTEST_MAIN(ClassStatisticsWindowTest)
#include "class_statistics_window_test.moc"
