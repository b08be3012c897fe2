#include "engine/reference_model.h"

#include <utility>

namespace fenban {

ReferenceModel::ReferenceModel(const std::vector<StudentRow> &, const std::vector<Tstudent> &, int numClass,
                               int inter)
    : m_classes(static_cast<std::size_t>(numClass)) {
    for (Tdistribute &c : m_classes)
        c.inter = inter;
}

int ReferenceModel::bandSum(int k, const Tstudent &student) const {
    int sum = 0;
    for (std::size_t s = 0; s < subjectCount; ++s)
        sum += m_classes[k].countInBand(subjectCode(s), student.score(s));
    return sum;
}

int ReferenceModel::bandScore(int k, const Tstudent &out, const Tstudent &in) const {
    // Asked in the order M, C, E, W, Z, L, T, D, S; a sum of whole numbers, so the order is moot.
    constexpr std::size_t askingOrder[subjectCount] = {0, 2, 1, 3, 4, 5, 6, 7, 8};
    int score = 0;
    for (const std::size_t s : askingOrder)
        score += m_classes[k].bandSwapTest(subjectCode(s), (*m_targets)[s], out.score(s), in.score(s));
    return score;
}

void ReferenceModel::exchange(int classA, std::size_t p, int classB, std::size_t q) {
    m_trialA = classA;
    m_trialB = classB;
    m_trialP = p;
    m_trialQ = q;
    std::swap(m_classes[classA].students[p], m_classes[classB].students[q]);
}

void ReferenceModel::undo() {
    std::swap(m_classes[m_trialA].students[m_trialP], m_classes[m_trialB].students[m_trialQ]);
}

} // namespace fenban
