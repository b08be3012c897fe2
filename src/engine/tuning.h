#pragma once

#include "engine/pass.h"
#include "engine/reporter.h"
#include "engine/rules.h"
#include "engine/student.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace fenban {

// Which figures an exchange is judged by.
struct TuningRules {
    bool total = true;
    bool chinese = true;
    bool math = true;
    bool english = true;
    bool bands = true;
    bool reDivision = false;

    static TuningRules of(const PassParams &params) {
        const DivisionSettings &s = params.settings;
        return {s.isAvgTotal == 1, s.isAvgCh == 1,    s.isAvgMath == 1,
                s.isAvgEng == 1,   s.isAvgInter == 1, params.reDivision};
    }
};

struct TuningCounts {
    int swaps = 0; // exchanges kept
    int again = 0; // re-checks passed
};

// One fine-tuning pass over the classes of a model: every movable student is tried against every
// movable student of the same sex in every other class, and the first exchange that keeps the
// giving class as close to the placed averages and band targets as before is kept at once.
template <class Model> class TuningPass {
public:
    TuningPass(Model &model, const PassFigures &figures, const TuningRules &rules)
        : m_model(model), m_figures(figures), m_rules(rules) {
        if (rules.total)
            m_judged.push_back(totalMeasure);
        // The gain adds up in this order; with inexact scores the order shows in the last bits.
        constexpr std::size_t math = 0, english = 1, chinese = 2;
        if (rules.chinese)
            m_gainOrder.push_back(chinese);
        if (rules.math)
            m_gainOrder.push_back(math);
        if (rules.english)
            m_gainOrder.push_back(english);
        for (std::size_t s = 3; s < subjectCount; ++s)
            m_gainOrder.push_back(s);
        m_judged.insert(m_judged.end(), m_gainOrder.begin(), m_gainOrder.end());
        for (std::size_t m = 0; m < measureCount; ++m)
            m_judgement.placed[m] = static_cast<double>(figures.placedAvg[m]);
        m_judgement.total = rules.total;
        std::copy(m_gainOrder.begin(), m_gainOrder.end(), m_judgement.gainOrder.begin());
        m_judgement.gainCount = m_gainOrder.size();
    }

    TuningCounts run() {
        m_model.useFigures(m_figures, m_judgement);
        const int classCount = m_model.classCount();
        for (int a = 0; a < classCount; ++a) {
            const std::size_t positions = m_model.size(a);
            for (std::size_t p = 0; p < positions; ++p) {
                const Tstudent &first = m_model.at(a, p);
                if (first.adjusted || first.placeKind == Placement::Fixed)
                    continue;
                // The model may pass over classes that hold no partner whose trial could change anything.
                for (int b = m_model.nextPartnerClass(a, p, 0, screenFor(a, p)); b < classCount;
                     b = m_model.nextPartnerClass(a, p, b + 1, screenFor(a, p))) {
                    if (b != a)
                        tryPartners(a, p, b);
                }
            }
        }
        for (int k = 0; k < classCount; ++k) {
            for (std::size_t p = 0; p < m_model.size(k); ++p)
                m_model.at(k, p).adjusted = false;
        }
        return m_counts;
    }

private:
    using Deviations = std::array<double, measureCount>;

    void tryPartners(int a, std::size_t p, int b) {
        const std::size_t partners = m_model.size(b);
        for (std::size_t q = 0; q < partners; ++q) {
            // The student at p may have changed with an exchange kept earlier in this loop.
            const Tstudent &mover = m_model.at(a, p);
            // The model may pass over partners whose trial could change nothing.
            q = m_model.nextPartner(a, p, b, q, screenFor(a, p));
            if (q >= partners)
                break;
            const Tstudent &partner = m_model.at(b, q);
            if (!m_model.sameSex(mover, partner) || partner.placeKind == Placement::Fixed ||
                mover.sameScores(partner))
                continue;
            evaluate(a, p, b, q);
        }
    }

    // Whether an exchange moving this student on is judged from the partner's class as well.
    bool rechecks(const Tstudent &mover) const { return m_rules.reDivision || mover.adjusted; }

    // Whose verdict settles the trials of the student now at (a, p).
    BandScreen screenFor(int a, std::size_t p) const {
        return !m_rules.bands               ? BandScreen::none
               : rechecks(m_model.at(a, p)) ? BandScreen::partnerClass
                                            : BandScreen::moverClass;
    }

    double deviation(int k, std::size_t measure) const {
        return m_judgement.deviation(measure, m_model.average(k, measure));
    }

    Deviations deviations(int k) const {
        Deviations d{};
        for (const std::size_t m : m_judged)
            d[m] = deviation(k, m);
        return d;
    }

    // Whether class k, as it now is, stays at least as close to the placed averages as `before`.
    bool averagesHold(int k, const Deviations &before) const {
        return m_judgement.holds(before, [&](std::size_t measure) { return m_model.average(k, measure); });
    }

    void evaluate(int a, std::size_t p, int b, std::size_t q) {
        Tstudent &mover = m_model.at(a, p);
        Tstudent &partner = m_model.at(b, q);
        const bool recheck = rechecks(mover);
        const bool bandsHoldA = !m_rules.bands || m_model.bandScore(a, mover, partner) >= 0;
        // Without a re-check nothing is counted, so a failed band verdict settles it already.
        if (!bandsHoldA && !recheck)
            return;
        const Deviations beforeA = deviations(a);
        const Deviations beforeB = recheck ? deviations(b) : Deviations{};

        m_model.exchange(a, p, b, q);
        if (m_model.hasOtherWithPinyin(a, partner) || m_model.hasOtherWithPinyin(b, mover)) {
            m_model.undo();
            return;
        }
        bool passed = true;
        if (recheck) {
            // Asked of B as it now is: moving the newcomer out again and the partner back in.
            passed =
                (!m_rules.bands || m_model.bandScore(b, mover, partner) >= 0) && averagesHold(b, beforeB);
            if (passed)
                ++m_counts.again;
        }
        if (passed && bandsHoldA && averagesHold(a, beforeA)) {
            m_model.keep();
            ++m_counts.swaps;
            mover.adjusted = true;
            partner.adjusted = true;
        } else {
            m_model.undo();
        }
    }

    Model &m_model;
    const PassFigures &m_figures;
    const TuningRules m_rules;
    std::vector<std::size_t> m_judged;    // measures whose deviation a verdict reads
    std::vector<std::size_t> m_gainOrder; // subjects counted in the gain, in adding order
    AveragesJudgement m_judgement;
    TuningCounts m_counts;
};

// The fine-tuning passes after one sex has been placed.
template <class Model>
void fineTune(Model &model, const std::vector<StudentRow> &table, const PassParams &params,
              Reporter &reporter) {
    const long passes = tuningPassesPerSex(params.settings.wtNum);
    const TuningRules rules = TuningRules::of(params);
    // Set once a pass kept nothing: the line every following pass of the sequence would write
    // (none when there was nothing to measure against).
    std::optional<std::optional<std::string>> idleLine;
    for (long n = 0; n < passes; ++n) {
        reporter.stopIfCancelled();
        if (idleLine) {
            if (*idleLine)
                reporter.line(**idleLine);
            reporter.passDone();
            continue;
        }
        std::optional<std::string> line;
        int swaps = 0;
        if (const auto figures = passFigures(table, model.classCount())) {
            const TuningCounts counts = TuningPass<Model>(model, *figures, rules).run();
            swaps = counts.swaps;
            line = "微调替换" + std::to_string(counts.swaps) + "人，" + "已经调整过的学生再符合替换条件有" +
                   std::to_string(counts.again) + "人次";
            reporter.line(*line);
        }
        reporter.passDone();
        if (Model::skipsIdleRepeats && swaps == 0)
            idleLine = line;
    }
}

} // namespace fenban
