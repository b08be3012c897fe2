#include "engine/fast_model.h"
#include "engine/reference_model.h"
#include "engine/tuning.h"

#include "run_support.h"

#include <gtest/gtest.h>

#include <memory>

using namespace fenban;
using fenban::testing::flat;
using fenban::testing::student;

namespace {

// Classes filled from rows whose classId (1-based) says where each goes; fixed rows stay.
template <class Model> struct Classes {
    Classes(std::vector<StudentRow> rows, int numClass, int inter = 1)
        : table(std::move(rows)), pool(table.size()) {
        model = std::make_unique<Model>(table, pool, numClass, inter);
        for (std::size_t i = 0; i < table.size(); ++i) {
            const StudentRow &r = table[i];
            pool[i].setInfo(r.studentId, r.name, 0, r.sex,
                            r.type == Placement::Fixed ? Placement::Fixed : Placement::Waiting, r.pingyin);
            pool[i].setScores(r.scores);
            model->add(r.classId - 1, pool[i]);
        }
    }

    TuningCounts tune(const TuningRules &rules, const PassFigures &figures) {
        return TuningPass<Model>(*model, figures, rules).run();
    }

    // Student ids per class, in list order.
    std::vector<std::vector<int>> contents() const {
        std::vector<std::vector<int>> ids(static_cast<std::size_t>(model->classCount()));
        for (int k = 0; k < model->classCount(); ++k) {
            for (std::size_t p = 0; p < model->size(k); ++p)
                ids[k].push_back(model->at(k, p).studentId);
        }
        return ids;
    }

    std::vector<StudentRow> table;
    std::vector<Tstudent> pool;
    std::unique_ptr<Model> model;
};

PassFigures figuresAt(double subjects, double total) {
    PassFigures f;
    for (std::size_t s = 0; s < subjectCount; ++s)
        f.placedAvg[s] = static_cast<int>(subjects);
    f.placedAvg[totalMeasure] = static_cast<int>(total);
    return f;
}

// Judged by the six always-counted subjects only.
TuningRules plainRules(bool reDivision) {
    return {false, false, false, false, false, reDivision};
}

// A boy scoring 50 everywhere except physics.
StudentRow boy(int id, double wuli, int classId, Placement type = Placement::Waiting,
               std::string pinyin = {}) {
    auto scores = flat(50);
    scores[3] = wuli;
    return student(id, "男", scores, std::move(pinyin), type, classId);
}

template <class Model> class Tuning : public ::testing::Test {};

using Models = ::testing::Types<ReferenceModel, FastModel>;
TYPED_TEST_SUITE(Tuning, Models);

} // namespace

// Three classes of one boy each, physics 80, 60 and 40 against a placed average of 50.
TYPED_TEST(Tuning, NewcomerMovesOnOnlyThroughTheRecheck) {
    Classes<TypeParam> c({boy(1, 80, 1), boy(2, 60, 2), boy(3, 40, 3)}, 3);
    const TuningCounts counts = c.tune(plainRules(false), figuresAt(50, 450));
    // 80 gives way to 60 unchecked; 60, now a newcomer, gives way to 40 because class 3 loses
    // nothing by taking it (the re-check passes once).
    EXPECT_EQ(counts.swaps, 2);
    EXPECT_EQ(counts.again, 1);
    EXPECT_EQ(c.contents(), (std::vector<std::vector<int>>{{3}, {1}, {2}}));
    for (const Tstudent &s : c.pool)
        EXPECT_FALSE(s.adjusted);
}

TYPED_TEST(Tuning, RedivisionRechecksEveryEvaluation) {
    Classes<TypeParam> c({boy(1, 80, 1), boy(2, 60, 2), boy(3, 40, 3)}, 3);
    const TuningCounts counts = c.tune(plainRules(true), figuresAt(50, 450));
    // Re-checks pass twice, both while class 2 offers its 60: for the 80 (class 1 would gain, but
    // class 2 loses: dropped) and for the 40 (even on both sides: kept).
    EXPECT_EQ(counts.swaps, 1);
    EXPECT_EQ(counts.again, 2);
    EXPECT_EQ(c.contents(), (std::vector<std::vector<int>>{{1}, {3}, {2}}));
}

TYPED_TEST(Tuning, PairsThatAreNeverTried) {
    // Under re-division any evaluated pair here would pass at least one re-check.
    const struct {
        const char *why;
        StudentRow first, second;
    } cases[] = {
        {"same nine scores", boy(1, 70, 1), boy(2, 70, 2)},
        {"sex texts differ untrimmed", student(1, " 男", flat(80), {}, Placement::Waiting, 1),
         student(2, "男", flat(60), {}, Placement::Waiting, 2)},
        {"boy and girl", student(1, "女", flat(80), {}, Placement::Waiting, 1),
         student(2, "男", flat(60), {}, Placement::Waiting, 2)},
        {"partner fixed", boy(1, 80, 1), boy(2, 60, 2, Placement::Fixed)},
    };
    for (const auto &tc : cases) {
        Classes<TypeParam> c({tc.first, tc.second}, 2);
        const TuningCounts counts = c.tune(plainRules(true), figuresAt(50, 450));
        EXPECT_EQ(counts.swaps, 0) << tc.why;
        EXPECT_EQ(counts.again, 0) << tc.why;
        EXPECT_EQ(c.contents(), (std::vector<std::vector<int>>{{1}, {2}})) << tc.why;
    }
}

TYPED_TEST(Tuning, NameClashTurnsTheExchangeDownBeforeAnyVerdict) {
    for (const bool clash : {false, true}) {
        // A fixed classmate of the 80 carries the 60's pingyin, or not.
        Classes<TypeParam> c({boy(1, 80, 1, Placement::Waiting, "A"),
                              boy(2, 50, 1, Placement::Fixed, clash ? "B" : "C"),
                              boy(3, 60, 2, Placement::Waiting, "B")},
                             2);
        const TuningCounts counts = c.tune(plainRules(false), figuresAt(50, 450));
        EXPECT_EQ(counts.swaps, clash ? 0 : 1) << clash;
        EXPECT_EQ(counts.again, 0) << clash;
    }
}

TYPED_TEST(Tuning, SettingsChooseTheVerdicts) {
    // Class 1 would give up physics 80 for 60 (closer to 50) but take in chinese 80 and a total
    // of 490 instead of 480. Fixed classmates make the way back a loss for class 2 in every case.
    auto incoming = boy(2, 60, 2);
    incoming.scores[2] = 80;
    auto keptInTwo = student(4, "男", flat(50), {}, Placement::Fixed, 2);
    keptInTwo.scores[3] = 90;
    keptInTwo.scores[2] = 0;
    PassFigures figures = figuresAt(50, 450);
    figures.bandTargets[2][5] = 2; // chinese band 5 of class 1 is on target
    const struct {
        const char *why;
        bool total, chinese, bands;
        int inter, swaps;
    } cases[] = {
        {"six subjects only", false, false, false, 1, 1},
        {"total deviation grows", true, false, false, 1, 0},
        {"chinese outweighs physics", false, true, false, 1, 0},
        {"band surplus of 1 within tolerance 1", false, false, true, 1, 0},
        {"band surplus of 1 beyond tolerance 0", false, false, true, 0, 1},
    };
    for (const auto &tc : cases) {
        Classes<TypeParam> c(
            {boy(1, 80, 1), incoming, student(3, "男", flat(50), {}, Placement::Fixed, 1), keptInTwo}, 2,
            tc.inter);
        const TuningRules rules{tc.total, tc.chinese, false, false, tc.bands, false};
        EXPECT_EQ(c.tune(rules, figures).swaps, tc.swaps) << tc.why;
    }
}

TYPED_TEST(Tuning, EmptyClassesTakePartInNothing) {
    Classes<TypeParam> c({boy(1, 80, 2), boy(2, 60, 4)}, 4);
    const TuningCounts counts = c.tune(plainRules(true), figuresAt(50, 450));
    EXPECT_EQ(counts.swaps, 0); // 60 -> 80 for class 4 is no gain
    EXPECT_EQ(counts.again, 1);
    EXPECT_EQ(c.contents(), (std::vector<std::vector<int>>{{}, {1}, {}, {2}}));
}
