#include "engine/reference_model.h"

#include <utility>

namespace fenban {

ReferenceModel::ReferenceModel(const std::vector<StudentRow> &, const std::vector<Tstudent> &, int numClass,
                               int inter)
    : classes_(static_cast<std::size_t>(numClass)) {
    for (Tdistribute &c : classes_)
        c.inter = inter;
}

int ReferenceModel::bandSum(int k, const Tstudent &student) const {
    int sum = 0;
    for (std::size_t s = 0; s < subjectCount; ++s)
        sum += classes_[k].countInBand(subjectCode(s), student.score(s));
    return sum;
}

int ReferenceModel::bandScore(int k, const Tstudent &out, const Tstudent &in) const {
    // Asked in the order M, C, E, W, Z, L, T, D, S; a sum of whole numbers, so the order is moot.
    constexpr std::size_t askingOrder[subjectCount] = {0, 2, 1, 3, 4, 5, 6, 7, 8};
    int score = 0;
    for (const std::size_t s : askingOrder)
        score += classes_[k].bandSwapTest(subjectCode(s), (*targets_)[s], out.score(s), in.score(s));
    return score;
}

void ReferenceModel::exchange(int classA, std::size_t p, int classB, std::size_t q) {
    trialA_ = classA;
    trialB_ = classB;
    trialP_ = p;
    trialQ_ = q;
    std::swap(classes_[classA].students[p], classes_[classB].students[q]);
}

void ReferenceModel::undo() {
    std::swap(classes_[trialA_].students[trialP_], classes_[trialB_].students[trialQ_]);
}

} // namespace fenban
