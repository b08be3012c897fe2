#pragma once

// The hot questions of FastModel, defined in the header so that the passes inline them.
// Included by fast_model.h only.

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace fenban {

inline FastModel::Change FastModel::change(int k) const {
    if (!onTrial_)
        return {};
    if (k == trialA_)
        return {trialOut_, trialIn_};
    if (k == trialB_)
        return {trialIn_, trialOut_};
    return {};
}

inline int FastModel::inBand(int k, std::size_t subject, int slot) const {
    int n = bandCounts_[static_cast<std::size_t>(k) * slotCount_ + slot];
    if (const Change c = change(k); c.out) {
        n -= member(*c.out).slot[subject] == slot ? 1 : 0;
        n += member(*c.in).slot[subject] == slot ? 1 : 0;
    }
    return n;
}

inline int FastModel::pinyinIn(int k, int pinyin) const {
    int n = pinyinCounts_[static_cast<std::size_t>(k) * pinyinCount_ + pinyin];
    if (const Change c = change(k); c.out) {
        n -= member(*c.out).pinyin == pinyin ? 1 : 0;
        n += member(*c.in).pinyin == pinyin ? 1 : 0;
    }
    return n;
}

inline int FastModel::classOf(const Tstudent &student) const {
    if (onTrial_ && &student == trialOut_)
        return trialB_;
    if (onTrial_ && &student == trialIn_)
        return trialA_;
    return member(student).classIndex;
}

inline double FastModel::average(int k, std::size_t measure) const {
    const ClassState &c = classes_[k];
    if (c.count == 0)
        throw std::domain_error("an empty class has no average");
    const Change d = change(k);
    if (!d.out)
        return c.averages[measure];
    // The same expression keep() stores, so a kept exchange reads back exactly what was judged.
    return (c.sums[measure] - d.out->measure(measure) + d.in->measure(measure)) / c.count;
}

inline const FastModel::Screen &FastModel::screen(Screen &cache, int k, const Tstudent &mover,
                                                  bool afterExchange) const {
    if (cache.k != k || cache.mover != &mover || cache.version != versions_[k])
        buildScreen(cache, k, mover, afterExchange);
    return cache;
}

inline std::size_t FastModel::nextPartner(int a, std::size_t p, int b, std::size_t q, BandScreen mode) const {
    const Tstudent &mover = *classes_[a].students[p];
    const ClassState &partners = classes_[b];
    const int sex = member(mover).sex;
    const auto same = std::find_if(partners.movable.begin(), partners.movable.end(),
                                   [&](const SexPositions &list) { return list.sex == sex; });
    if (same == partners.movable.end())
        return partners.students.size();
    const int *verdicts = nullptr;
    if (mode == BandScreen::moverClass)
        verdicts = screen(giverScreen_, a, mover, false).verdicts.data();
    else if (mode == BandScreen::partnerClass)
        verdicts = screen(takerScreen_, b, mover, true).verdicts.data();
    // Without a re-check a grown total deviation of the mover's class settles the pair as well;
    // judged with the very expressions of the full evaluation, so the verdict is the same.
    const ClassState &giver = classes_[a];
    const bool screenTotal = mode == BandScreen::moverClass && totalJudged_;
    const double totalBefore = std::fabs(placedTotal_ - giver.averages[totalMeasure]);
    const std::vector<std::size_t> &positions = same->positions;
    for (auto at = std::lower_bound(positions.begin(), positions.end(), q); at != positions.end(); ++at) {
        const Key &key = partners.keys[*at];
        if (verdicts) {
            int score = 0;
            for (const std::uint16_t slot : key.slot)
                score += verdicts[slot];
            if (score < 0)
                continue;
        }
        if (screenTotal) {
            const double after = (giver.sums[totalMeasure] - mover.total + key.total) / giver.count;
            if (!(totalBefore >= std::fabs(placedTotal_ - after)))
                continue;
        }
        return *at;
    }
    return partners.students.size();
}

inline void FastModel::exchange(int classA, std::size_t p, int classB, std::size_t q) {
    trialA_ = classA;
    trialB_ = classB;
    trialP_ = p;
    trialQ_ = q;
    trialOut_ = classes_[classA].students[p];
    trialIn_ = classes_[classB].students[q];
    std::swap(classes_[classA].students[p], classes_[classB].students[q]);
    onTrial_ = true;
}

inline void FastModel::undo() {
    std::swap(classes_[trialA_].students[trialP_], classes_[trialB_].students[trialQ_]);
    onTrial_ = false;
}

inline int FastModel::bandScore(int k, const Tstudent &out, const Tstudent &in) const {
    if (change(k).out)
        return bandScoreOnTrial(k, out, in);
    const std::vector<int> &verdicts = screen(giverScreen_, k, out, false).verdicts;
    int score = 0;
    for (const int slot : member(in).slot)
        score += verdicts[slot];
    return score;
}

inline bool FastModel::hasOtherWithPinyin(int k, const Tstudent &student) const {
    const int pinyin = member(student).pinyin;
    if (pinyinHolders_[pinyin] == 1)
        return false;
    const int n = pinyinIn(k, pinyin);
    if (n == 0)
        return false;
    // The one holder of the text is the student itself.
    if (n == 1 && classOf(student) == k)
        return false;
    return scanForOtherPinyin(k, student);
}

} // namespace fenban
