#include "engine/fast_model.h"

#include "engine/division.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>

namespace fenban {

namespace {

// Numbers distinct texts in order of first appearance.
class TextNumbers {
public:
    int operator()(const std::string &text) {
        return m_numbers.try_emplace(text, static_cast<int>(m_numbers.size())).first->second;
    }
    int size() const { return static_cast<int>(m_numbers.size()); }

private:
    std::unordered_map<std::string, int> m_numbers;
};

} // namespace

FastModel::FastModel(const std::vector<StudentRow> &table, const std::vector<Tstudent> &pool, int numClass,
                     int inter)
    : m_pool(pool.data()), m_members(table.size()), m_classes(static_cast<std::size_t>(numClass)),
      m_inter(inter) {
    TextNumbers pinyins;
    TextNumbers sexes;
    for (std::size_t s = 0; s < subjectCount; ++s) {
        std::vector<int> slotOfBand(highestBand + 1, -1);
        for (std::size_t i = 0; i < table.size(); ++i) {
            const int band = scoreBand(table[i].scores[s]);
            if (slotOfBand[band] < 0) {
                slotOfBand[band] = m_slotCount++;
                m_slotSubject.push_back(static_cast<int>(s));
                m_slotBand.push_back(band);
            }
            m_members[i].band[s] = band;
            m_members[i].slot[s] = slotOfBand[band];
        }
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        m_members[i].pinyin = pinyins(table[i].pingyin);
        m_members[i].sex = sexes(table[i].sex);
    }
    m_pinyinCount = pinyins.size();
    m_pinyinHolders.assign(static_cast<std::size_t>(m_pinyinCount), 0);
    for (const Member &m : m_members)
        ++m_pinyinHolders[m.pinyin];
    m_versions.assign(m_classes.size(), 0);
    m_bandCounts.assign(m_classes.size() * static_cast<std::size_t>(m_slotCount), 0);
    m_pinyinCounts.assign(m_classes.size() * static_cast<std::size_t>(m_pinyinCount), 0);
}

void FastModel::refreshAverages(ClassState &c) {
    for (std::size_t m = 0; m < measureCount; ++m)
        c.averages[m] = c.sums[m] / c.count;
}

void FastModel::add(int k, Tstudent &student) {
    ClassState &c = m_classes[k];
    ++m_versions[k];
    c.students.push_back(&student);
    ++c.count;
    const std::string_view sex = trimBlanks(student.sex);
    if (sex == boyText)
        ++c.boys;
    else if (sex == girlText)
        ++c.girls;
    for (std::size_t m = 0; m < measureCount; ++m)
        c.sums[m] += student.measure(m);
    refreshAverages(c);
    Member &who = m_members[&student - m_pool];
    Key key;
    for (std::size_t s = 0; s < subjectCount; ++s)
        key.slot[s] = static_cast<std::uint16_t>(who.slot[s]);
    key.total = student.total;
    c.keys.push_back(key);
    if (student.placeKind != Placement::Fixed) {
        auto same = std::find_if(c.movable.begin(), c.movable.end(),
                                 [&](const SexPositions &list) { return list.sex == who.sex; });
        if (same == c.movable.end())
            same = c.movable.insert(same, SexPositions{who.sex, {}});
        same->positions.push_back(c.students.size() - 1);
    }
    for (const int slot : who.slot)
        ++m_bandCounts[static_cast<std::size_t>(k) * m_slotCount + slot];
    ++m_pinyinCounts[static_cast<std::size_t>(k) * m_pinyinCount + who.pinyin];
    who.classIndex = k;
}

int FastModel::countBySex(int k, std::string_view sex) const {
    if (sex == boyText)
        return m_classes[k].boys;
    if (sex == girlText)
        return m_classes[k].girls;
    return 0;
}

int FastModel::bandSum(int k, const Tstudent &student) const {
    const Member &who = member(student);
    int sum = 0;
    for (std::size_t s = 0; s < subjectCount; ++s)
        sum += inBand(k, s, who.slot[s]);
    return sum;
}

void FastModel::useFigures(const PassFigures &figures, bool totalJudged) {
    m_targets = &figures.bandTargets;
    m_totalJudged = totalJudged;
    m_placedTotal = static_cast<double>(figures.placedAvg[totalMeasure]);
    m_giverScreen.k = -1;
    m_takerScreen.k = -1;
}

int FastModel::bandSwapTest(int k, std::size_t subject, const Tstudent &out, const Tstudent &in) const {
    const Member &leaving = member(out);
    const Member &coming = member(in);
    if (leaving.band[subject] == coming.band[subject])
        return 0;
    const BandTargets &targets = (*m_targets)[subject];
    return bandVerdict(inBand(k, subject, leaving.slot[subject]), targets[leaving.band[subject]],
                       inBand(k, subject, coming.slot[subject]), targets[coming.band[subject]], m_inter);
}

void FastModel::buildScreen(Screen &cache, int k, const Tstudent &mover, bool afterExchange) const {
    const Member &who = member(mover);
    cache.k = k;
    cache.mover = &mover;
    cache.version = m_versions[k];
    cache.verdicts.resize(static_cast<std::size_t>(m_slotCount));
    // After the exchange the mover's band holds one more and the partner's one less (where the
    // two bands differ, the only case asked).
    const int moverShift = afterExchange ? 1 : 0;
    const std::size_t row = static_cast<std::size_t>(k) * m_slotCount;
    for (int slot = 0; slot < m_slotCount; ++slot) {
        const auto s = static_cast<std::size_t>(m_slotSubject[slot]);
        const int band = who.band[s];
        const BandTargets &targets = (*m_targets)[s];
        cache.verdicts[slot] =
            m_slotBand[slot] == band
                ? 0
                : bandVerdict(m_bandCounts[row + who.slot[s]] + moverShift, targets[band],
                              m_bandCounts[row + slot] - moverShift, targets[m_slotBand[slot]], m_inter);
    }
}

bool FastModel::scanForOtherPinyin(int k, const Tstudent &student) const {
    for (const Tstudent *other : m_classes[k].students) {
        if (other->pingyin == student.pingyin && other->studentId != student.studentId)
            return true;
    }
    return false;
}

int FastModel::bandScoreOnTrial(int k, const Tstudent &out, const Tstudent &in) const {
    const Change c = change(k);
    int score = 0;
    if (c.in == &out && c.out == &in) {
        // The re-check's question, the newcomer out again and the one that left back in: what the
        // partner class's screen for the newcomer holds.
        const std::vector<int> &verdicts = screen(m_takerScreen, k, out, true).verdicts;
        for (const int slot : member(in).slot)
            score += verdicts[slot];
        return score;
    }
    for (std::size_t s = 0; s < subjectCount; ++s)
        score += bandSwapTest(k, s, out, in);
    return score;
}

void FastModel::keep() {
    ClassState &a = m_classes[m_trialA];
    ClassState &b = m_classes[m_trialB];
    for (std::size_t m = 0; m < measureCount; ++m) {
        a.sums[m] = a.sums[m] - m_trialOut->measure(m) + m_trialIn->measure(m);
        b.sums[m] = b.sums[m] - m_trialIn->measure(m) + m_trialOut->measure(m);
    }
    refreshAverages(a);
    refreshAverages(b);
    ++m_versions[m_trialA];
    ++m_versions[m_trialB];
    Member &out = m_members[m_trialOut - m_pool];
    Member &in = m_members[m_trialIn - m_pool];
    const std::size_t rowA = static_cast<std::size_t>(m_trialA) * m_slotCount;
    const std::size_t rowB = static_cast<std::size_t>(m_trialB) * m_slotCount;
    for (std::size_t s = 0; s < subjectCount; ++s) {
        --m_bandCounts[rowA + out.slot[s]];
        ++m_bandCounts[rowA + in.slot[s]];
        --m_bandCounts[rowB + in.slot[s]];
        ++m_bandCounts[rowB + out.slot[s]];
    }
    --m_pinyinCounts[static_cast<std::size_t>(m_trialA) * m_pinyinCount + out.pinyin];
    ++m_pinyinCounts[static_cast<std::size_t>(m_trialA) * m_pinyinCount + in.pinyin];
    --m_pinyinCounts[static_cast<std::size_t>(m_trialB) * m_pinyinCount + in.pinyin];
    ++m_pinyinCounts[static_cast<std::size_t>(m_trialB) * m_pinyinCount + out.pinyin];
    std::swap(a.keys[m_trialP], b.keys[m_trialQ]);
    out.classIndex = m_trialB;
    in.classIndex = m_trialA;
    m_onTrial = false;
}

} // namespace fenban
