#include "reports/student_search.h"

#include "store/projects.h"
#include "store/students.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using fenban::reports::StudentSearchTexts;
using fenban::store::StudentRecord;
using fenban::testing::TempDatabase;
namespace reports = fenban::reports;

namespace {

enum Score { Math = 0, English = 1, Chinese = 2 };

StudentRecord student(int id, const QString &name, const QString &sex, int classId, double math,
                      double chinese, double english) {
    return fenban::testing::StudentBuilder(id)
        .name(name)
        .sex(sex)
        .inClass(classId)
        .scores(50)
        .score(Math, math)
        .score(Chinese, chinese)
        .score(English, english);
}

// Small on purpose: every case below can be checked by reading these lines.
QList<StudentRecord> cohort() {
    return {
        student(107, QStringLiteral("刘洋"), QStringLiteral("女 "), 1, 70, 70, 70),
        student(101, QStringLiteral("张明"), QStringLiteral("男"), 2, 95, 85, 70),
        student(102, QStringLiteral("李明"), QStringLiteral("女"), 1, 88, 92, 60),
        student(103, QStringLiteral("王明华"), QStringLiteral("女"), 2, 100, 79, 90),
        student(104, QStringLiteral("O'Brien 王"), QStringLiteral("女"), 0, 60, 80, 95),
        student(105, QStringLiteral("赵_伟"), QStringLiteral("男"), 0, 90, 60, 80),
        student(106, QStringLiteral("百分%之"), QStringLiteral("男"), 0, 89.5, 100, 85),
    };
}

class StudentSearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fenban::store::ProjectStore(db.connection()).create({QStringLiteral("a"), 2}));
        ASSERT_EQ(fenban::store::StudentStore(db.connection()).replaceAll(1, cohort()).kind,
                  fenban::store::ReplaceOutcome::Written);
    }

    static QList<int> ids(const QList<StudentRecord> &students) {
        QList<int> result;
        for (const StudentRecord &record : students)
            result.append(record.studentId);
        return result;
    }

    QList<int> found(const StudentSearchTexts &texts) const {
        const auto filter = reports::studentFilter(texts);
        EXPECT_TRUE(filter) << filter.error().toStdString();
        if (!filter)
            return {-1};
        const auto students = reports::searchStudents(db.connection(), 1, filter.value());
        EXPECT_TRUE(students) << students.error().toStdString();
        return students ? ids(students.value()) : QList<int>{-1};
    }

    TempDatabase db;
};

StudentSearchTexts mathRange(const QString &low, const QString &high) {
    StudentSearchTexts texts;
    texts.mathLow = low;
    texts.mathHigh = high;
    return texts;
}

} // namespace

TEST_F(StudentSearch, EachConditionAndTheirCombinations) {
    const auto with = [](auto change) {
        StudentSearchTexts texts;
        change(texts);
        return texts;
    };
    const struct {
        const char *what;
        StudentSearchTexts texts;
        QList<int> expected;
    } cases[] = {
        {"nothing typed lists everybody by number", {}, {101, 102, 103, 104, 105, 106, 107}},
        {"student number", with([](auto &t) { t.number = QStringLiteral("103"); }), {103}},
        {"student number with blanks", with([](auto &t) { t.number = QStringLiteral(" 103 "); }), {103}},
        {"unknown student number", with([](auto &t) { t.number = QStringLiteral("999"); }), {}},
        {"name part anywhere", with([](auto &t) { t.namePart = QStringLiteral("明"); }), {101, 102, 103}},
        {"name part with a quote", with([](auto &t) { t.namePart = QStringLiteral("O'B"); }), {104}},
        {"underscore is no wildcard", with([](auto &t) { t.namePart = QStringLiteral("_"); }), {105}},
        {"percent is no wildcard", with([](auto &t) { t.namePart = QStringLiteral("%"); }), {106}},
        {"sex compares the trimmed value",
         with([](auto &t) { t.sex = QStringLiteral("女"); }),
         {102, 103, 104, 107}},
        {"sex 男", with([](auto &t) { t.sex = QStringLiteral("男"); }), {101, 105, 106}},
        {"全部 sets no sex condition",
         with([](auto &t) { t.sex = QStringLiteral("全部"); }),
         {101, 102, 103, 104, 105, 106, 107}},
        {"class", with([](auto &t) { t.classId = 2; }), {101, 103}},
        {"class 0 lists the students in no class", with([](auto &t) { t.classId = 0; }), {104, 105, 106}},
        {"math range includes both bounds",
         mathRange(QStringLiteral("90"), QStringLiteral("100")),
         {101, 103, 105}},
        {"reversed range finds nobody", mathRange(QStringLiteral("100"), QStringLiteral("90")), {}},
        {"decimal bound", mathRange(QStringLiteral("89.5"), QStringLiteral("89.5")), {106}},
        {"one bound only sets no condition",
         mathRange(QStringLiteral("abc"), QString()),
         {101, 102, 103, 104, 105, 106, 107}},
        {"chinese range",
         with([](auto &t) {
             t.chineseLow = QStringLiteral("85");
             t.chineseHigh = QStringLiteral("100");
         }),
         {101, 102, 106}},
        {"english range",
         with([](auto &t) {
             t.englishLow = QStringLiteral("80");
             t.englishHigh = QStringLiteral("90");
         }),
         {103, 105, 106}},
        {"name part and sex",
         with([](auto &t) {
             t.namePart = QStringLiteral("明");
             t.sex = QStringLiteral("女");
         }),
         {102, 103}},
        {"math range with a half-filled chinese range filters on math only",
         with([](auto &t) {
             t.mathLow = QStringLiteral("90");
             t.mathHigh = QStringLiteral("100");
             t.chineseLow = QStringLiteral("80");
         }),
         {101, 103, 105}},
        {"math and chinese ranges together",
         with([](auto &t) {
             t.mathLow = QStringLiteral("90");
             t.mathHigh = QStringLiteral("100");
             t.chineseLow = QStringLiteral("80");
             t.chineseHigh = QStringLiteral("90");
         }),
         {101}},
        {"class, sex and math",
         with([](auto &t) {
             t.classId = 2;
             t.sex = QStringLiteral("女");
             t.mathLow = QStringLiteral("90");
             t.mathHigh = QStringLiteral("100");
         }),
         {103}},
        {"number contradicting the name",
         with([](auto &t) {
             t.number = QStringLiteral("101");
             t.namePart = QStringLiteral("李");
         }),
         {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(found(c.texts), c.expected) << c.what;
}

TEST_F(StudentSearch, TextsThatAreNotNumbersAreRefusedByName) {
    const struct {
        StudentSearchTexts texts;
        QString named;
    } cases[] = {
        {[] {
             StudentSearchTexts t;
             t.number = QStringLiteral("1O3");
             return t;
         }(),
         QStringLiteral("考号“1O3”")},
        {mathRange(QStringLiteral("9O"), QStringLiteral("100")), QStringLiteral("数学下限“9O”")},
        {[] {
             StudentSearchTexts t;
             t.englishLow = QStringLiteral("1");
             t.englishHigh = QStringLiteral("1' OR '1'='1");
             return t;
         }(),
         QStringLiteral("英语上限")},
    };
    for (const auto &c : cases) {
        const auto filter = reports::studentFilter(c.texts);
        ASSERT_FALSE(filter) << c.named.toStdString();
        EXPECT_TRUE(filter.error().startsWith(QStringLiteral("请输入数字"))) << filter.error().toStdString();
        EXPECT_TRUE(filter.error().contains(c.named)) << filter.error().toStdString();
    }
}

TEST_F(StudentSearch, ClassTreeAndClassListings) {
    const auto classes = reports::studentClassIds(db.connection(), 1);
    ASSERT_TRUE(classes);
    EXPECT_EQ(classes.value(), (QList<int>{0, 1, 2}));
    EXPECT_EQ(reports::className(0), QStringLiteral("0班"));
    EXPECT_EQ(reports::className(12), QStringLiteral("12班"));

    EXPECT_EQ(ids(reports::studentsOfClass(db.connection(), 1, 1).value()), (QList<int>{102, 107}));
    EXPECT_EQ(ids(reports::studentsOfClass(db.connection(), 1, 0).value()), (QList<int>{104, 105, 106}));
    EXPECT_EQ(ids(reports::allStudents(db.connection(), 1).value()),
              (QList<int>{104, 105, 106, 102, 107, 101, 103}));
}

TEST_F(StudentSearch, BeforeAnyDivisionTheTreeHoldsOnlyClassZeroAndItListsEverybody) {
    QList<StudentRecord> waiting = cohort();
    for (StudentRecord &record : waiting)
        record.classId = 0;
    ASSERT_EQ(fenban::store::StudentStore(db.connection()).replaceAll(1, waiting).kind,
              fenban::store::ReplaceOutcome::Written);
    EXPECT_EQ(reports::studentClassIds(db.connection(), 1).value(), QList<int>{0});
    EXPECT_EQ(reports::studentsOfClass(db.connection(), 1, 0).value().size(), 7);
}

TEST_F(StudentSearch, AMissingProjectTableIsAnErrorNotAnEmptyList) {
    EXPECT_FALSE(reports::allStudents(db.connection(), 42));
    EXPECT_FALSE(reports::searchStudents(db.connection(), 42, {}));
    EXPECT_FALSE(reports::studentClassIds(db.connection(), 42));
}

TEST(StudentListCells, SeventeenCellsInListOrder) {
    StudentRecord record = student(7, QStringLiteral("张三"), QStringLiteral("男"), 3, 90.5, 80, 70);
    record.recId = QStringLiteral("0101");
    record.scores[4] = std::nullopt;
    record.type = 2;
    record.oralSchool = QStringLiteral("一中");
    record.addr = QStringLiteral("城关");
    record.qxMemo = QStringLiteral("not listed");
    EXPECT_EQ(
        reports::studentListCells(record),
        QStringLiteral("7|0101|张三|男|3|90.5|70|80|50||50|50|50|50|2|一中|城关").split(QLatin1Char('|')));
    EXPECT_EQ(
        reports::studentListTitles(),
        QStringLiteral(
            "学号|登分号|学生姓名|性别|班级|数学|英语|语文|物理|政治|历史|体育|地理|生物|类型|毕业学校|地址")
            .split(QLatin1Char('|')));
}
