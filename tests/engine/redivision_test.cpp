#include "cohort.h"
#include "run_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace fenban;
using namespace fenban::testing;

namespace {

template <class Engine> class Redivision : public ::testing::Test {
protected:
    // A project of 48 students divided into 8 classes, some fixed, some in a category.
    void SetUp() override {
        cohort::Shape shape;
        shape.students = 48;
        shape.categories = 1;
        shape.categoryShare = 0.25;
        shape.fixedShare = 0.1;
        shape.fixedClassLimit = 8;
        rows = cohort::make(shape, 7);
        ASSERT_EQ(divide(*engine, rows, 8, withTuning(0)).result.outcome, DivisionOutcome::Done);
    }

    std::unique_ptr<DivisionEngine> engine = Engine::make();
    std::vector<StudentRow> rows;
};

using Engines = ::testing::Types<ReferenceEngine, FastEngine>;
TYPED_TEST_SUITE(Redivision, Engines);

} // namespace

TYPED_TEST(Redivision, TouchesOnlyTheChosenClassesAmongThemselves) {
    const auto before = this->rows;
    const Trace trace = redivide(*this->engine, this->rows, {2, 5}, withTuning(50));
    ASSERT_EQ(trace.result.outcome, DivisionOutcome::Done);
    ASSERT_EQ(this->rows.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        const StudentRow &was = before[i];
        const StudentRow &is = this->rows[i];
        EXPECT_EQ(is.type, was.type) << is.studentId;
        if (was.classId != 2 && was.classId != 5) {
            EXPECT_EQ(is, was);
            continue;
        }
        EXPECT_TRUE(is.classId == 2 || is.classId == 5) << is.studentId;
        if (was.type >= Placement::Fixed) {
            EXPECT_EQ(is.classId, was.classId) << is.studentId;
        }
    }
    // wtNum of the settings has no say: five passes per sex, every one re-checked.
    EXPECT_EQ(std::count_if(trace.lines.begin(), trace.lines.end(),
                            [](const std::string &l) { return l.starts_with("微调替换"); }),
              10);
    EXPECT_EQ(trace.progress.back(), std::make_pair(10L, 10L));
    EXPECT_EQ(trace.lines.back(), "重新分班结束");
    EXPECT_EQ(trace.lines[trace.lines.size() - 2], "更新结束");
}

TYPED_TEST(Redivision, RepeatedClassNumbersCountOnce) {
    auto once = this->rows;
    const Trace single = redivide(*this->engine, once, {5, 2}, withTuning(4));
    const Trace repeated = redivide(*this->engine, this->rows, {5, 2, 5, 2, 2}, withTuning(4));
    EXPECT_EQ(this->rows, once);
    EXPECT_EQ(repeated, single);
}

TYPED_TEST(Redivision, EmptyRequestIsRefused) {
    const auto before = this->rows;
    const Trace trace = redivide(*this->engine, this->rows, {}, withTuning(4));
    EXPECT_EQ(trace.result.outcome, DivisionOutcome::Refused);
    EXPECT_EQ(trace.result.message, "请选择要重新分班的班级");
    EXPECT_TRUE(trace.lines.empty());
    EXPECT_EQ(this->rows, before);
}

TYPED_TEST(Redivision, ChosenClassWithoutStudentsReceivesSome) {
    const Trace trace = redivide(*this->engine, this->rows, {1, 9}, withTuning(4));
    ASSERT_EQ(trace.result.outcome, DivisionOutcome::Done);
    EXPECT_TRUE(std::any_of(this->rows.begin(), this->rows.end(),
                            [](const StudentRow &r) { return r.classId == 9; }));
}

TYPED_TEST(Redivision, CancelledRedivisionLeavesTheRowsAlone) {
    const auto before = this->rows;
    const Trace trace = redivide(*this->engine, this->rows, {2, 5}, withTuning(4), 6);
    EXPECT_EQ(trace.result.outcome, DivisionOutcome::Cancelled);
    EXPECT_EQ(this->rows, before);
    EXPECT_EQ(std::count(trace.lines.begin(), trace.lines.end(), "重新分班结束"), 0);
}
