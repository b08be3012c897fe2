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
        return numbers_.try_emplace(text, static_cast<int>(numbers_.size())).first->second;
    }
    int size() const { return static_cast<int>(numbers_.size()); }

private:
    std::unordered_map<std::string, int> numbers_;
};

} // namespace

FastModel::FastModel(const std::vector<StudentRow> &table, const std::vector<Tstudent> &pool, int numClass,
                     int inter)
    : pool_(pool.data()), members_(table.size()), classes_(static_cast<std::size_t>(numClass)),
      inter_(inter) {
    TextNumbers pinyins;
    TextNumbers sexes;
    for (std::size_t s = 0; s < subjectCount; ++s) {
        std::vector<int> slotOfBand(highestBand + 1, -1);
        for (std::size_t i = 0; i < table.size(); ++i) {
            const int band = scoreBand(table[i].scores[s]);
            if (slotOfBand[band] < 0) {
                slotOfBand[band] = slotCount_++;
                slotSubject_.push_back(static_cast<int>(s));
                slotBand_.push_back(band);
            }
            members_[i].band[s] = band;
            members_[i].slot[s] = slotOfBand[band];
        }
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        members_[i].pinyin = pinyins(table[i].pingyin);
        members_[i].sex = sexes(table[i].sex);
    }
    pinyinCount_ = pinyins.size();
    pinyinHolders_.assign(static_cast<std::size_t>(pinyinCount_), 0);
    for (const Member &m : members_)
        ++pinyinHolders_[m.pinyin];
    versions_.assign(classes_.size(), 0);
    bandCounts_.assign(classes_.size() * static_cast<std::size_t>(slotCount_), 0);
    pinyinCounts_.assign(classes_.size() * static_cast<std::size_t>(pinyinCount_), 0);
}

void FastModel::refreshAverages(ClassState &c) {
    for (std::size_t m = 0; m < measureCount; ++m)
        c.averages[m] = c.sums[m] / c.count;
}

void FastModel::add(int k, Tstudent &student) {
    ClassState &c = classes_[k];
    ++versions_[k];
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
    Member &who = members_[&student - pool_];
    Key key;
    for (std::size_t s = 0; s < subjectCount; ++s)
        key.slot[s] = static_cast<std::uint16_t>(who.slot[s]);
    key.total = student.total;
    c.keys.push_back(key);
    if (student.placeKind < 2) {
        auto same = std::find_if(c.movable.begin(), c.movable.end(),
                                 [&](const SexPositions &list) { return list.sex == who.sex; });
        if (same == c.movable.end())
            same = c.movable.insert(same, SexPositions{who.sex, {}});
        same->positions.push_back(c.students.size() - 1);
    }
    for (const int slot : who.slot)
        ++bandCounts_[static_cast<std::size_t>(k) * slotCount_ + slot];
    ++pinyinCounts_[static_cast<std::size_t>(k) * pinyinCount_ + who.pinyin];
    who.classIndex = k;
}

int FastModel::countBySex(int k, std::string_view sex) const {
    if (sex == boyText)
        return classes_[k].boys;
    if (sex == girlText)
        return classes_[k].girls;
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
    targets_ = &figures.bandTargets;
    totalJudged_ = totalJudged;
    placedTotal_ = static_cast<double>(figures.placedAvg[totalMeasure]);
    giverScreen_.k = -1;
    takerScreen_.k = -1;
}

int FastModel::bandSwapTest(int k, std::size_t subject, const Tstudent &out, const Tstudent &in) const {
    const Member &leaving = member(out);
    const Member &coming = member(in);
    if (leaving.band[subject] == coming.band[subject])
        return 0;
    const BandTargets &targets = (*targets_)[subject];
    return bandVerdict(inBand(k, subject, leaving.slot[subject]), targets[leaving.band[subject]],
                       inBand(k, subject, coming.slot[subject]), targets[coming.band[subject]], inter_);
}

void FastModel::buildScreen(Screen &cache, int k, const Tstudent &mover, bool afterExchange) const {
    const Member &who = member(mover);
    cache.k = k;
    cache.mover = &mover;
    cache.version = versions_[k];
    cache.verdicts.resize(static_cast<std::size_t>(slotCount_));
    // After the exchange the mover's band holds one more and the partner's one less (where the
    // two bands differ, the only case asked).
    const int moverShift = afterExchange ? 1 : 0;
    const std::size_t row = static_cast<std::size_t>(k) * slotCount_;
    for (int slot = 0; slot < slotCount_; ++slot) {
        const auto s = static_cast<std::size_t>(slotSubject_[slot]);
        const int band = who.band[s];
        const BandTargets &targets = (*targets_)[s];
        cache.verdicts[slot] =
            slotBand_[slot] == band
                ? 0
                : bandVerdict(bandCounts_[row + who.slot[s]] + moverShift, targets[band],
                              bandCounts_[row + slot] - moverShift, targets[slotBand_[slot]], inter_);
    }
}

bool FastModel::scanForOtherPinyin(int k, const Tstudent &student) const {
    for (const Tstudent *other : classes_[k].students) {
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
        const std::vector<int> &verdicts = screen(takerScreen_, k, out, true).verdicts;
        for (const int slot : member(in).slot)
            score += verdicts[slot];
        return score;
    }
    for (std::size_t s = 0; s < subjectCount; ++s)
        score += bandSwapTest(k, s, out, in);
    return score;
}

void FastModel::keep() {
    ClassState &a = classes_[trialA_];
    ClassState &b = classes_[trialB_];
    for (std::size_t m = 0; m < measureCount; ++m) {
        a.sums[m] = a.sums[m] - trialOut_->measure(m) + trialIn_->measure(m);
        b.sums[m] = b.sums[m] - trialIn_->measure(m) + trialOut_->measure(m);
    }
    refreshAverages(a);
    refreshAverages(b);
    ++versions_[trialA_];
    ++versions_[trialB_];
    Member &out = members_[trialOut_ - pool_];
    Member &in = members_[trialIn_ - pool_];
    const std::size_t rowA = static_cast<std::size_t>(trialA_) * slotCount_;
    const std::size_t rowB = static_cast<std::size_t>(trialB_) * slotCount_;
    for (std::size_t s = 0; s < subjectCount; ++s) {
        --bandCounts_[rowA + out.slot[s]];
        ++bandCounts_[rowA + in.slot[s]];
        --bandCounts_[rowB + in.slot[s]];
        ++bandCounts_[rowB + out.slot[s]];
    }
    --pinyinCounts_[static_cast<std::size_t>(trialA_) * pinyinCount_ + out.pinyin];
    ++pinyinCounts_[static_cast<std::size_t>(trialA_) * pinyinCount_ + in.pinyin];
    --pinyinCounts_[static_cast<std::size_t>(trialB_) * pinyinCount_ + in.pinyin];
    ++pinyinCounts_[static_cast<std::size_t>(trialB_) * pinyinCount_ + out.pinyin];
    std::swap(a.keys[trialP_], b.keys[trialQ_]);
    out.classIndex = trialB_;
    in.classIndex = trialA_;
    onTrial_ = false;
}

} // namespace fenban
