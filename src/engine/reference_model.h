#pragma once

#include "engine/distribute.h"
#include "engine/pass.h"

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace fenban {

struct StudentRow;

// The classes of a pass as plain Tdistribute objects: every question is answered by walking the
// member lists, exactly as the class model defines it.
class ReferenceModel {
public:
    static constexpr bool skipsIdleRepeats = false;

    ReferenceModel(const std::vector<StudentRow> &table, const std::vector<Tstudent> &pool, int numClass,
                   int inter);

    int classCount() const { return static_cast<int>(m_classes.size()); }
    std::size_t size(int k) const { return m_classes[k].students.size(); }
    Tstudent &at(int k, std::size_t p) const { return *m_classes[k].students[p]; }

    void add(int k, Tstudent &student) { m_classes[k].addStudent(student); }
    int countBySex(int k, std::string_view sex) const { return m_classes[k].countBySex(sex); }
    bool hasPinyin(int k, const Tstudent &student) const { return m_classes[k].hasPinyin(student.pingyin); }
    int bandSum(int k, const Tstudent &student) const;

    double average(int k, std::size_t measure) const { return m_classes[k].average(measure); }
    // The band targets fine-tuning judges by until the next call.
    void useFigures(const PassFigures &figures, const AveragesJudgement &) {
        m_targets = &figures.bandTargets;
    }
    // Sum over the subjects of class k's verdicts on giving up `out` for `in`.
    int bandScore(int k, const Tstudent &out, const Tstudent &in) const;
    // Every partner is evaluated in full.
    int nextPartnerClass(int, std::size_t, int b, BandScreen) const { return b; }
    std::size_t nextPartner(int, std::size_t, int, std::size_t q, BandScreen) const { return q; }
    bool hasOtherWithPinyin(int k, const Tstudent &student) const {
        return m_classes[k].hasOtherWithPinyin(student.studentId, student.pingyin);
    }
    bool sameSex(const Tstudent &a, const Tstudent &b) const { return a.sex == b.sex; }

    // Exchanges two entries in place; until keep() or undo() every question sees the exchanged lists.
    void exchange(int classA, std::size_t p, int classB, std::size_t q);
    void keep() {}
    void undo();

private:
    std::vector<Tdistribute> m_classes;
    const std::array<BandTargets, subjectCount> *m_targets = nullptr;
    int m_trialA = 0;
    int m_trialB = 0;
    std::size_t m_trialP = 0;
    std::size_t m_trialQ = 0;
};

} // namespace fenban
