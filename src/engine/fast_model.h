#pragma once

#include "engine/pass.h"
#include "engine/rules.h"
#include "engine/student.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace fenban {

struct StudentRow;

// The classes of a pass with their figures kept up to date: per-class sums of every measure,
// head-counts per score band and subject, sex counts and pinyin counts change with every add and
// every kept exchange, so each question costs a few look-ups instead of a walk over the class.
// Bands and pinyin texts are numbered once per pass from the table's rows; a student is known by
// its place in the pass's pool, which matches its row.
class FastModel {
public:
    // A fine-tuning pass that keeps nothing changes nothing, so its repeats need not be computed.
    static constexpr bool skipsIdleRepeats = true;

    FastModel(const std::vector<StudentRow> &table, const std::vector<Tstudent> &pool, int numClass,
              int inter);

    int classCount() const { return static_cast<int>(m_classes.size()); }
    std::size_t size(int k) const { return m_classes[k].students.size(); }
    Tstudent &at(int k, std::size_t p) const { return *m_classes[k].students[p]; }

    void add(int k, Tstudent &student);
    int countBySex(int k, std::string_view sex) const;
    bool hasPinyin(int k, const Tstudent &student) const { return pinyinIn(k, member(student).pinyin) > 0; }
    int bandSum(int k, const Tstudent &student) const;

    double average(int k, std::size_t measure) const;
    // What fine-tuning judges by until the next call: the band targets and the averages. A partner
    // that would move the mover's class further from the placed total is screened out as well when
    // the total is judged, and with a re-check one that the partner's class turns down.
    void useFigures(const PassFigures &figures, const AveragesJudgement &judgement);
    int bandScore(int k, const Tstudent &out, const Tstudent &in) const;
    // First position from q on in class b whose student could change anything as the partner of
    // the student at (a, p): same sex text, movable, and not turned down by the verdict of the
    // class that `screen` names. Returns size(b) when there is none.
    std::size_t nextPartner(int a, std::size_t p, int b, std::size_t q, BandScreen screen) const;
    // First class from b on that may hold such a partner; classCount() when none does.
    int nextPartnerClass(int a, std::size_t p, int b, BandScreen screen) const;
    bool hasOtherWithPinyin(int k, const Tstudent &student) const;
    bool sameSex(const Tstudent &a, const Tstudent &b) const { return member(a).sex == member(b).sex; }

    // Exchanges two entries; until keep() or undo() every question sees the classes as exchanged,
    // while the kept figures are only brought up to date by keep().
    void exchange(int classA, std::size_t p, int classB, std::size_t q);
    void keep();
    void undo();

private:
    struct Member {
        std::array<int, subjectCount> band{}; // score band per subject
        std::array<int, subjectCount> slot{}; // numbered (subject, band) pair, indexes the class counts
        int pinyin = 0;                       // numbered pingyin text
        int sex = 0;                          // numbered sex text, untrimmed
        int classIndex = -1;
        std::size_t position = 0; // in its class's list
    };
    // A student's slots and measures, kept beside the list so that screening partners reads one
    // compact array.
    struct Key {
        std::array<std::uint16_t, subjectCount> slot{};
        std::array<double, measureCount> measures{};
    };
    // Positions of the movable students of one sex text. Exchanges are between students of the
    // same sex text and fixed students never move, so these stay put once the class is filled.
    struct SexPositions {
        int sex = 0;
        std::vector<std::size_t> positions; // ascending
        std::vector<double> totals;         // of the student at each of the positions
    };
    struct ClassState {
        std::vector<Tstudent *> students;
        std::vector<Key> keys; // per position of `students`, except while an exchange is on trial
        std::vector<SexPositions> movable;
        int count = 0;
        int boys = 0;
        int girls = 0;
        std::array<double, measureCount> sums{};
        std::array<double, measureCount> averages{};
    };
    // Who left class k and who came into it under the exchange on trial; both null otherwise.
    struct Change {
        const Tstudent *out = nullptr;
        const Tstudent *in = nullptr;
    };

    // The giving class's band verdict per (subject, band) slot of a partner, for one mover, built
    // once for all partners the mover is tried against and rebuilt when the class changes.
    struct Screen {
        int k = -1;
        const Tstudent *mover = nullptr;
        long version = -1;
        std::vector<int> verdicts; // per slot
    };
    // The partner's class, after the exchange, on giving the mover back: a verdict is 1 exactly when
    // the surplus of the partner's band (count less target) lies below a threshold of the subject,
    // so that the few partners of one class are judged without a table of every slot.
    struct TakerVerdict {
        const int *counts = nullptr; // the class's kept counts per slot
        std::array<int, subjectCount> moverSlot{};
        std::array<long long, subjectCount> plusBelow{};
    };

    // The movable students of one sex text that are in a class, with one bit each per slot they
    // hold, so that the giving class's verdict on all of them is summed 64 at a time. Scores and
    // sexes stay put within a pass, so this is rebuilt only after students are added. Students come
    // in order of their totals, so that only the bits of totals that can keep the giving class as
    // close to the placed total need summing.
    struct Universe {
        int sex = 0;
        std::vector<int> rows;           // pool place per bit
        std::vector<double> totals;      // per bit, ascending; those not finite last
        std::size_t finite = 0;          // bits with a finite total
        std::vector<std::uint64_t> bits; // [word * m_slotCount + slot]
    };
    // Partners of one mover in every other class that pass the giving class's screen, as (class,
    // position) in the order they are tried; good until the classes or the figures change.
    struct Candidates {
        const Tstudent *mover = nullptr;
        long generation = -1;
        std::vector<std::pair<int, std::size_t>> list;
        std::size_t next = 0; // where the last answer was found
    };

    const Member &member(const Tstudent &student) const { return m_members[&student - m_pool]; }
    int bandSwapTest(int k, std::size_t subject, const Tstudent &out, const Tstudent &in) const;
    int bandScoreOnTrial(int k, const Tstudent &out, const Tstudent &in) const;
    bool scanForOtherPinyin(int k, const Tstudent &student) const;
    const Screen &screen(int k, const Tstudent &mover) const;
    void buildScreen(int k, const Tstudent &mover) const;
    TakerVerdict takerVerdict(int k, const Tstudent &mover) const;
    template <class Slots> int takerScore(const TakerVerdict &verdict, const Slots &slots) const;
    std::size_t nextCandidate(int a, std::size_t p, int b, std::size_t q) const;
    std::size_t candidateFrom(int a, std::size_t p, int b, std::size_t q) const;
    void collectCandidates(int a, const Tstudent &mover) const;
    void buildUniverses() const;
    std::pair<std::size_t, std::size_t> totalRange(const Universe &universe, int a,
                                                   const Tstudent &mover) const;
    Change change(int k) const;
    int inBand(int k, std::size_t subject, int slot) const;
    int pinyinIn(int k, int pinyin) const;
    int classOf(const Tstudent &student) const;
    void refreshAverages(ClassState &c);
    static void keepTotal(ClassState &c, std::size_t position, const Tstudent &student);

    const Tstudent *m_pool;
    std::vector<Member> m_members;
    std::vector<ClassState> m_classes;
    int m_slotCount = 0;
    std::vector<int> m_slotSubject;
    std::vector<int> m_slotBand;
    std::array<int, subjectCount + 1> m_subjectSlots{}; // subject s holds slots [s] up to before [s + 1]
    std::vector<long> m_versions;                       // per class, changes with every add and kept exchange
    long m_generation = 0; // changes with every add, kept exchange and new figures
    const std::array<BandTargets, subjectCount> *m_targets = nullptr;
    AveragesJudgement m_judgement;
    bool m_totalJudged = false;
    double m_placedTotal = 0.0;
    std::vector<int> m_slotTargets; // band target per slot
    mutable Screen m_giverScreen;
    mutable bool m_universesStale = true;
    mutable std::vector<Universe> m_universes;
    mutable Candidates m_candidates;
    mutable std::vector<int> m_plusSlots; // of the mover in collectCandidates, subject by subject
    std::vector<int> m_bandCounts;        // [class * m_slotCount + slot]
    int m_pinyinCount = 0;
    std::vector<int> m_pinyinCounts;  // [class * m_pinyinCount + pinyin]
    std::vector<int> m_pinyinHolders; // rows of the table per pinyin
    int m_inter = 0;

    bool m_onTrial = false;
    int m_trialA = 0;
    int m_trialB = 0;
    std::size_t m_trialP = 0;
    std::size_t m_trialQ = 0;
    Tstudent *m_trialOut = nullptr; // the student that left A
    Tstudent *m_trialIn = nullptr;  // the student that left B
};

} // namespace fenban

#include "engine/fast_model_inline.h"
