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

inline const FastModel::Screen &FastModel::screen(Screen &cache, int k, const Tstudent &mover,
                                                  bool afterExchange) const {
    if (cache.k != k || cache.mover != &mover || cache.version != m_versions[k])
        buildScreen(cache, k, mover, afterExchange);
    return cache;
}

inline std::size_t FastModel::nextPartner(int a, std::size_t p, int b, std::size_t q, BandScreen mode) const {
    const Tstudent &mover = *m_classes[a].students[p];
    const ClassState &partners = m_classes[b];
    const int sex = member(mover).sex;
    const auto same = std::find_if(partners.movable.begin(), partners.movable.end(),
                                   [&](const SexPositions &list) { return list.sex == sex; });
    if (same == partners.movable.end())
        return partners.students.size();
    const int *verdicts = nullptr;
    if (mode == BandScreen::moverClass)
        verdicts = screen(m_giverScreen, a, mover, false).verdicts.data();
    else if (mode == BandScreen::partnerClass)
        verdicts = screen(m_takerScreen, b, mover, true).verdicts.data();
    // Without a re-check a grown total deviation of the mover's class settles the pair as well;
    // judged with the very expressions of the full evaluation, so the verdict is the same.
    const ClassState &giver = m_classes[a];
    const bool screenTotal = mode == BandScreen::moverClass && m_totalJudged;
    const double totalBefore = std::fabs(m_placedTotal - giver.averages[totalMeasure]);
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
            if (!(totalBefore >= std::fabs(m_placedTotal - after)))
                continue;
        }
        return *at;
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
    const std::vector<int> &verdicts = screen(m_giverScreen, k, out, false).verdicts;
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
