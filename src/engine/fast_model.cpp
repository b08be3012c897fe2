#include "engine/fast_model.h"

#include "engine/division.h"

#include <algorithm>
#include <bit>
#include <cmath>
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
        m_subjectSlots[s] = m_slotCount;
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
    m_subjectSlots[subjectCount] = m_slotCount;
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
    ++m_generation;
    m_universesStale = true;
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
    for (std::size_t m = 0; m < measureCount; ++m)
        key.measures[m] = student.measure(m);
    c.keys.push_back(key);
    if (student.placeKind != Placement::Fixed) {
        auto same = std::find_if(c.movable.begin(), c.movable.end(),
                                 [&](const SexPositions &list) { return list.sex == who.sex; });
        if (same == c.movable.end())
            same = c.movable.insert(same, SexPositions{who.sex, {}, {}});
        same->positions.push_back(c.students.size() - 1);
        same->totals.push_back(student.total);
    }
    for (const int slot : who.slot)
        ++m_bandCounts[static_cast<std::size_t>(k) * m_slotCount + slot];
    ++m_pinyinCounts[static_cast<std::size_t>(k) * m_pinyinCount + who.pinyin];
    who.classIndex = k;
    who.position = c.students.size() - 1;
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

void FastModel::useFigures(const PassFigures &figures, const AveragesJudgement &judgement) {
    m_targets = &figures.bandTargets;
    m_judgement = judgement;
    m_totalJudged = judgement.total;
    m_placedTotal = judgement.placed[totalMeasure];
    m_slotTargets.resize(static_cast<std::size_t>(m_slotCount));
    for (int slot = 0; slot < m_slotCount; ++slot)
        m_slotTargets[slot] = figures.bandTargets[m_slotSubject[slot]][m_slotBand[slot]];
    m_giverScreen.k = -1;
    ++m_generation;
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

void FastModel::buildScreen(int k, const Tstudent &mover) const {
    const Member &who = member(mover);
    Screen &cache = m_giverScreen;
    cache.k = k;
    cache.mover = &mover;
    cache.version = m_versions[k];
    cache.verdicts.resize(static_cast<std::size_t>(m_slotCount));
    const std::size_t row = static_cast<std::size_t>(k) * m_slotCount;
    for (int slot = 0; slot < m_slotCount; ++slot) {
        const auto s = static_cast<std::size_t>(m_slotSubject[slot]);
        const int moverSlot = who.slot[s];
        cache.verdicts[slot] = slot == moverSlot
                                   ? 0
                                   : bandVerdict(m_bandCounts[row + moverSlot], m_slotTargets[moverSlot],
                                                 m_bandCounts[row + slot], m_slotTargets[slot], m_inter);
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
        return takerScore(takerVerdict(k, out), member(in).slot);
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
    keepTotal(a, m_trialP, *m_trialIn);
    keepTotal(b, m_trialQ, *m_trialOut);
    out.classIndex = m_trialB;
    out.position = m_trialQ;
    in.classIndex = m_trialA;
    in.position = m_trialP;
    ++m_generation;
    m_onTrial = false;
}

void FastModel::keepTotal(ClassState &c, std::size_t position, const Tstudent &student) {
    for (SexPositions &list : c.movable) {
        const auto at = std::lower_bound(list.positions.begin(), list.positions.end(), position);
        if (at != list.positions.end() && *at == position)
            list.totals[static_cast<std::size_t>(at - list.positions.begin())] = student.total;
    }
}

void FastModel::buildUniverses() const {
    m_universes.clear();
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        const Member &who = m_members[i];
        if (who.classIndex < 0 || m_pool[i].placeKind == Placement::Fixed)
            continue;
        auto same = std::find_if(m_universes.begin(), m_universes.end(),
                                 [&](const Universe &u) { return u.sex == who.sex; });
        if (same == m_universes.end())
            same = m_universes.insert(same, Universe{who.sex, {}, {}, 0, {}});
        same->rows.push_back(static_cast<int>(i));
    }
    const auto slots = static_cast<std::size_t>(m_slotCount);
    for (Universe &u : m_universes) {
        const auto finiteTotal = [&](int row) {
            return std::isfinite(m_pool[row].total);
        };
        const auto firstOther = std::stable_partition(u.rows.begin(), u.rows.end(), finiteTotal);
        std::stable_sort(u.rows.begin(), firstOther,
                         [&](int x, int y) { return m_pool[x].total < m_pool[y].total; });
        u.finite = static_cast<std::size_t>(firstOther - u.rows.begin());
        u.totals.clear();
        u.bits.assign((u.rows.size() + 63) / 64 * slots, 0);
        for (std::size_t bit = 0; bit < u.rows.size(); ++bit) {
            const auto row = static_cast<std::size_t>(u.rows[bit]);
            u.totals.push_back(m_pool[row].total);
            for (const int slot : m_members[row].slot)
                u.bits[bit / 64 * slots + static_cast<std::size_t>(slot)] |= std::uint64_t{1} << (bit % 64);
        }
    }
    m_universesStale = false;
}

std::pair<std::size_t, std::size_t> FastModel::totalRange(const Universe &universe, int a,
                                                          const Tstudent &mover) const {
    if (!m_totalJudged)
        return {0, universe.rows.size()};
    // A partner passes when |P - ((S - m + t) / c)| <= B in floating point; then t lies within
    // c (P -+ B) - (S - m) up to rounding errors far below the margin taken here. A total that is
    // not finite, or figures that are not, make the rounding argument moot: then every bit is summed.
    const ClassState &giver = m_classes[a];
    const double placed = m_placedTotal;
    const double before = std::fabs(placed - giver.averages[totalMeasure]);
    const double rest = giver.sums[totalMeasure] - mover.total;
    const double count = giver.count;
    const double margin = 1e-9 * (std::fabs(rest) + count * (std::fabs(placed) + before) + 1.0);
    const double low = count * (placed - before) - rest - margin;
    const double high = count * (placed + before) - rest + margin;
    if (!std::isfinite(low) || !std::isfinite(high))
        return {0, universe.rows.size()};
    const auto begin = universe.totals.begin();
    const auto end = begin + static_cast<std::ptrdiff_t>(universe.finite);
    return {static_cast<std::size_t>(std::lower_bound(begin, end, low) - begin),
            static_cast<std::size_t>(std::upper_bound(begin, end, high) - begin)};
}

std::size_t FastModel::candidateFrom(int a, std::size_t p, int b, std::size_t q) const {
    const Tstudent &mover = *m_classes[a].students[p];
    if (m_candidates.mover != &mover || m_candidates.generation != m_generation)
        collectCandidates(a, mover);
    // Asked class after class and position after position: a cursor finds the answer, and a
    // search only when asked out of turn.
    const auto &list = m_candidates.list;
    const std::pair<int, std::size_t> from(b, q);
    std::size_t &at = m_candidates.next;
    if (at > 0 && list[at - 1] >= from)
        at = static_cast<std::size_t>(std::lower_bound(list.begin(), list.end(), from) - list.begin());
    while (at < list.size() && list[at] < from)
        ++at;
    return at;
}

std::size_t FastModel::nextCandidate(int a, std::size_t p, int b, std::size_t q) const {
    const std::size_t at = candidateFrom(a, p, b, q);
    const auto &list = m_candidates.list;
    return at < list.size() && list[at].first == b ? list[at].second : m_classes[b].students.size();
}

int FastModel::nextPartnerClass(int a, std::size_t p, int b, BandScreen screen) const {
    if (screen != BandScreen::moverClass || b >= classCount())
        return b;
    const std::size_t at = candidateFrom(a, p, b, 0);
    return at < m_candidates.list.size() ? m_candidates.list[at].first : classCount();
}

void FastModel::collectCandidates(int a, const Tstudent &mover) const {
    m_candidates.mover = &mover;
    m_candidates.generation = m_generation;
    m_candidates.list.clear();
    m_candidates.next = 0;
    if (m_universesStale)
        buildUniverses();
    const Member &who = member(mover);
    const auto universe = std::find_if(m_universes.begin(), m_universes.end(),
                                       [&](const Universe &u) { return u.sex == who.sex; });
    if (universe == m_universes.end())
        return;
    const std::vector<int> &verdicts = screen(a, mover).verdicts;
    // Each verdict is 0 for the mover's own band and 1 or -1 for any other, so a partner's summed
    // verdict is not negative exactly when twice its 1s and once its 0s make at least nine.
    std::array<std::size_t, subjectCount + 1> plusFrom{};
    m_plusSlots.clear();
    for (std::size_t s = 0; s < subjectCount; ++s) {
        plusFrom[s] = m_plusSlots.size();
        for (int slot = m_subjectSlots[s]; slot < m_subjectSlots[s + 1]; ++slot) {
            if (verdicts[static_cast<std::size_t>(slot)] > 0)
                m_plusSlots.push_back(slot);
        }
    }
    plusFrom[subjectCount] = m_plusSlots.size();
    static_assert(subjectCount * 2 < 32, "the summed verdicts fit five bits");

    const ClassState &giver = m_classes[a];
    const double totalBefore = std::fabs(m_placedTotal - giver.averages[totalMeasure]);
    std::array<double, measureCount> before;
    for (std::size_t m = 0; m < measureCount; ++m)
        before[m] = m_judgement.deviation(m, giver.averages[m]);
    const Key &moverKey = giver.keys[who.position];
    const auto slots = static_cast<std::size_t>(m_slotCount);
    const auto [first, last] = totalRange(*universe, a, mover);
    if (first >= last)
        return;
    for (std::size_t w = first / 64; w <= (last - 1) / 64; ++w) {
        const std::uint64_t *bits = &universe->bits[w * slots];
        // Five bit planes of a counter per student, added to subject by subject.
        std::uint64_t c0 = 0, c1 = 0, c2 = 0, c3 = 0, c4 = 0;
        for (std::size_t s = 0; s < subjectCount; ++s) {
            const std::uint64_t zero = bits[who.slot[s]];
            std::uint64_t plus = 0;
            for (std::size_t i = plusFrom[s]; i < plusFrom[s + 1]; ++i)
                plus |= bits[m_plusSlots[i]];
            const std::uint64_t carry0 = c0 & zero;
            c0 ^= zero;
            const std::uint64_t half = c1 ^ plus;
            const std::uint64_t carry1 = (c1 & plus) | (half & carry0);
            c1 = half ^ carry0;
            const std::uint64_t carry2 = c2 & carry1;
            c2 ^= carry1;
            const std::uint64_t carry3 = c3 & carry2;
            c3 ^= carry2;
            c4 |= carry3;
        }
        for (std::uint64_t passing = c4 | (c3 & (c2 | c1 | c0)); passing != 0; passing &= passing - 1) {
            const auto row = static_cast<std::size_t>(
                universe->rows[w * 64 + static_cast<std::size_t>(std::countr_zero(passing))]);
            const Member &partner = m_members[row];
            if (partner.classIndex == a)
                continue;
            // Without a re-check a grown total deviation of the mover's class settles the pair as
            // well; judged with the very expressions of the full evaluation, so the verdict is the same.
            if (m_totalJudged) {
                const double after =
                    (giver.sums[totalMeasure] - mover.total + m_pool[row].total) / giver.count;
                if (!(totalBefore >= std::fabs(m_placedTotal - after)))
                    continue;
            }
            // So do the giving class's averages, as average() reads them with the exchange on trial.
            const Key &key = m_classes[partner.classIndex].keys[partner.position];
            if (!m_judgement.holds(before, [&](std::size_t m) {
                    return (giver.sums[m] - moverKey.measures[m] + key.measures[m]) / giver.count;
                }))
                continue;
            m_candidates.list.emplace_back(partner.classIndex, partner.position);
        }
    }
    std::sort(m_candidates.list.begin(), m_candidates.list.end());
}

} // namespace fenban
