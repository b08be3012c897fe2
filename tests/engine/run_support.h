#pragma once

#include "engine/division.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace fenban::testing {

// Everything a run showed to the outside world.
struct Trace {
    DivisionResult result;
    std::vector<std::string> lines;
    std::vector<std::pair<long, long>> progress;

    bool operator==(const Trace &other) const {
        return result.outcome == other.result.outcome && result.message == other.result.message &&
               lines == other.lines && progress == other.progress;
    }
};

// Records a run; `cancelAfter` answers "stop" from that many questions on (never when negative).
class Recorder {
public:
    explicit Recorder(long cancelAfter = -1) : m_cancelAfter(cancelAfter) {}

    DivisionObserver observer() {
        return {[this](const std::string &line) { trace.lines.push_back(line); },
                [this](long done, long total) { trace.progress.emplace_back(done, total); },
                [this] {
                    return m_cancelAfter >= 0 && m_asked++ >= m_cancelAfter;
                }};
    }

    Trace trace;

private:
    long m_cancelAfter;
    long m_asked = 0;
};

inline Trace divide(const DivisionEngine &engine, std::vector<StudentRow> &rows, int numClass,
                    const DivisionSettings &settings, long cancelAfter = -1) {
    Recorder recorder(cancelAfter);
    recorder.trace.result = engine.divide(rows, numClass, settings, recorder.observer());
    return recorder.trace;
}

inline Trace redivide(const DivisionEngine &engine, std::vector<StudentRow> &rows,
                      const std::vector<int> &classes, const DivisionSettings &settings,
                      long cancelAfter = -1) {
    Recorder recorder(cancelAfter);
    recorder.trace.result = engine.redivide(rows, classes, settings, recorder.observer());
    return recorder.trace;
}

// A letter followed by the number, built without `"S" + std::to_string(n)`, which GCC 12 at -O3 warns
// about falsely (-Wrestrict).
inline std::string numbered(char letter, std::int64_t value) {
    std::array<char, 24> text{letter};
    const auto end = std::to_chars(text.data() + 1, text.data() + text.size(), value).ptr;
    return std::string(text.data(), end);
}

inline StudentRow student(std::int64_t id, std::string sex, const std::array<double, 9> &scores,
                          std::string pinyin = {}, Placement type = Placement::Waiting, int classId = 0,
                          std::string pfType = {}) {
    StudentRow row;
    row.studentId = id;
    row.name = numbered('S', id);
    row.sex = std::move(sex);
    row.scores = scores;
    row.pingyin = pinyin.empty() ? numbered('P', id) : std::move(pinyin);
    row.type = type;
    row.classId = classId;
    row.pfType = std::move(pfType);
    return row;
}

// The same score in every subject.
inline std::array<double, 9> flat(double score) {
    std::array<double, 9> scores;
    scores.fill(score);
    return scores;
}

inline DivisionSettings withTuning(int wtNum, int isMan = 1) {
    DivisionSettings settings;
    settings.wtNum = wtNum;
    settings.isMan = isMan;
    return settings;
}

inline const StudentRow &byId(const std::vector<StudentRow> &rows, std::int64_t id) {
    for (const StudentRow &row : rows) {
        if (row.studentId == id)
            return row;
    }
    throw std::out_of_range("no such student");
}

// Typed tests run once per engine.
struct ReferenceEngine {
    static std::unique_ptr<DivisionEngine> make() { return makeReferenceEngine(); }
};
struct FastEngine {
    static std::unique_ptr<DivisionEngine> make() { return makeFastEngine(); }
};

} // namespace fenban::testing

namespace fenban {

// For test failures: the stored number rather than the enum's bytes.
inline void PrintTo(Placement placement, std::ostream *out) {
    *out << static_cast<int>(placement);
}

} // namespace fenban
