#pragma once

// The hot questions of FastModel, defined in the header so that the passes inline them.
// Included by fast_model.h only.

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace fenban {

inline FastModel::Change FastModel::change(int k) const {
    if (!m_onTrial)
        return {};
    if (k == m_trialA)
        return {m_trialOut, m_trialIn};
    if (k == m_trialB)
        return {m_trialIn, m_trialOut};
    return {};
}

inline int FastModel::inBand(int k, std::size_t subject, int slot) const {
    int n = m_bandCounts[static_cast<std::size_t>(k) * m_slotCount + slot];
    if (const Change c = change(k); c.out) {
        n -= member(*c.out).slot[subject] == slot ? 1 : 0;
        n += member(*c.in).slot[subject] == slot ? 1 : 0;
    }
    return n;
}

inline int FastModel::pinyinIn(int k, int pinyin) const {
    int n = m_pinyinCounts[static_cast<std::size_t>(k) * m_pinyinCount + pinyin];
    if (const Change c = change(k); c.out) {
        n -= member(*c.out).pinyin == pinyin ? 1 : 0;
        n += member(*c.in).pinyin == pinyin ? 1 : 0;
    }
    return n;
}

inline int FastModel::classOf(const Tstudent &student) const {
    if (m_onTrial && &student == m_trialOut)
        return m_trialB;
    if (m_onTrial && &student == m_trialIn)
        return m_trialA;
    return member(student).classIndex;
}

inline double FastModel::average(int k, std::size_t measure) const {
    const ClassState &c = m_classes[k];
    if (c.count == 0)
        throw std::domain_error("an empty class has no average");
    const Change d = change(k);
    if (!d.out)
        return c.averages[measure];
    // The same expression keep() stores, so a kept exchange reads back exactly what was judged.
    return (c.sums[measure] - d.out->measure(measure) + d.in->measure(measure)) / c.count;
}

inline const FastModel::Screen &FastModel::screen(int k, const Tstudent &mover) const {
    if (m_giverScreen.k != k || m_giverScreen.mover != &mover || m_giverScreen.version != m_versions[k])
        buildScreen(k, mover);
    return m_giverScreen;
}

inline FastModel::TakerVerdict FastModel::takerVerdict(int k, const Tstudent &mover) const {
    TakerVerdict verdict;
    verdict.counts = &m_bandCounts[static_cast<std::size_t>(k) * m_slotCount];
    const Member &who = member(mover);
    for (std::size_t s = 0; s < subjectCount; ++s) {
        const int slot = who.slot[s];
        verdict.moverSlot[s] = slot;
        // bandVerdict with the mover's band one fuller and the partner's one emptier: 1 when the
        // mover's band is over its target and the partner's under it, or when the first surplus
        // exceeds the second by more than the tolerance; in 64 bits like bandVerdict.
        const long long surplusOut = static_cast<long long>(verdict.counts[slot] + 1) - m_slotTargets[slot];
        const long long below = surplusOut - m_inter;
        verdict.plusBelow[s] = surplusOut > 0 ? std::max(0LL, below) : below;
    }
    return verdict;
}

template <class Slots>
inline int FastModel::takerScore(const TakerVerdict &verdict, const Slots &slots) const {
    int score = 0;
    for (std::size_t s = 0; s < subjectCount; ++s) {
        const int slot = slots[s];
        if (slot == verdict.moverSlot[s])
            continue;
        const long long surplusIn = static_cast<long long>(verdict.counts[slot] - 1) - m_slotTargets[slot];
        score += surplusIn < verdict.plusBelow[s] ? 1 : -1;
    }
    return score;
}

inline std::size_t FastModel::nextPartner(int a, std::size_t p, int b, std::size_t q, BandScreen mode) const {
    // The giving class's screen is the same for the partners of every class: asked of all at once.
    if (mode == BandScreen::moverClass)
        return nextCandidate(a, p, b, q);
    const Tstudent &mover = *m_classes[a].students[p];
    const ClassState &partners = m_classes[b];
    const int sex = member(mover).sex;
    const auto same = std::find_if(partners.movable.begin(), partners.movable.end(),
                                   [&](const SexPositions &list) { return list.sex == sex; });
    if (same == partners.movable.end())
        return partners.students.size();
    if (mode == BandScreen::none) {
        const auto at = std::lower_bound(same->positions.begin(), same->positions.end(), q);
        return at == same->positions.end() ? partners.students.size() : *at;
    }
    // A re-check that the partner's class fails on its averages keeps and counts nothing either;
    // judged with the very expressions of the full evaluation, so the verdict is the same. Most
    // partners fail on the total, so the rest is worked out for the first that does not.
    std::array<double, measureCount> before;
    before[totalMeasure] = m_judgement.deviation(totalMeasure, partners.averages[totalMeasure]);
    bool ready = false;
    TakerVerdict verdict;
    const Key &moverKey = m_classes[a].keys[p];
    // The averages of the partner's class with the partner gone and the mover come, as average().
    const auto averageAfter = [&](const Key &key, std::size_t m) {
        return (partners.sums[m] - key.measures[m] + moverKey.measures[m]) / partners.count;
    };
    // The total alone first: it turns most partners down. A partner passes on it when
    // |P - ((S - t + m) / c)| <= B in floating point; then t lies within S + m - c (P +- B) up to
    // rounding errors far below the margin taken here, so a total outside settles it without a
    // division. Figures that are not finite make the argument moot: then each is judged in full.
    const double placed = m_placedTotal;
    const double rest = partners.sums[totalMeasure] + moverKey.measures[totalMeasure];
    const double count = partners.count;
    const double reach = std::fabs(before[totalMeasure]);
    const double margin = 1e-9 * (std::fabs(rest) + count * (std::fabs(placed) + reach) + 1.0);
    const double low = rest - count * (placed + reach) - margin;
    const double high = rest - count * (placed - reach) + margin;
    const bool bounded = m_totalJudged && std::isfinite(low) && std::isfinite(high);
    const std::vector<std::size_t> &positions = same->positions;
    const auto from = std::lower_bound(positions.begin(), positions.end(), q);
    for (auto i = static_cast<std::size_t>(from - positions.begin()); i < positions.size(); ++i) {
        if (bounded && !(same->totals[i] >= low && same->totals[i] <= high))
            continue;
        const Key &key = partners.keys[positions[i]];
        if (m_totalJudged &&
            !(std::fabs(before[totalMeasure]) >=
              std::fabs(m_judgement.deviation(totalMeasure, averageAfter(key, totalMeasure)))))
            continue;
        if (!ready) {
            for (std::size_t m = 0; m < subjectCount; ++m)
                before[m] = m_judgement.deviation(m, partners.averages[m]);
            verdict = takerVerdict(b, mover);
            ready = true;
        }
        if (takerScore(verdict, key.slot) < 0)
            continue;
        if (!m_judgement.holds(before, [&](std::size_t m) { return averageAfter(key, m); }))
            continue;
        return positions[i];
    }
    return partners.students.size();
}

inline void FastModel::exchange(int classA, std::size_t p, int classB, std::size_t q) {
    m_trialA = classA;
    m_trialB = classB;
    m_trialP = p;
    m_trialQ = q;
    m_trialOut = m_classes[classA].students[p];
    m_trialIn = m_classes[classB].students[q];
    std::swap(m_classes[classA].students[p], m_classes[classB].students[q]);
    m_onTrial = true;
}

inline void FastModel::undo() {
    std::swap(m_classes[m_trialA].students[m_trialP], m_classes[m_trialB].students[m_trialQ]);
    m_onTrial = false;
}

inline int FastModel::bandScore(int k, const Tstudent &out, const Tstudent &in) const {
    if (change(k).out)
        return bandScoreOnTrial(k, out, in);
    const std::vector<int> &verdicts = screen(k, out).verdicts;
    int score = 0;
    for (const int slot : member(in).slot)
        score += verdicts[slot];
    return score;
}

inline bool FastModel::hasOtherWithPinyin(int k, const Tstudent &student) const {
    const int pinyin = member(student).pinyin;
    if (m_pinyinHolders[pinyin] == 1)
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
