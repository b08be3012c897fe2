#pragma once

#include "engine/division.h"
#include "engine/subject.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace fenban {

// One student of a placement pass.
class Tstudent {
public:
    std::int64_t studentId = 0;
    std::string studentName;
    bool adjusted = false; // while fine-tuning has moved the student within the current pass
    double math = 0.0;
    double english = 0.0;
    double chinese = 0.0;
    double wuli = 0.0;
    double zhengzhi = 0.0;
    double lishi = 0.0;
    double tiyu = 0.0;
    double dili = 0.0;
    double shengwu = 0.0;
    double average = 0.0;
    double total = 0.0;
    std::string sex;                          // as read, not trimmed
    Placement placeKind = Placement::Waiting; // Fixed: had its class before the pass; never moved
    std::string pingyin;

    void setInfo(std::int64_t studentId, std::string studentName, bool adjusted, std::string sex,
                 Placement placeKind, std::string pingyin);
    void setScores(double math, double english, double chinese, double wuli, double zhengzhi, double lishi,
                   double tiyu, double dili, double shengwu);
    void setScores(const std::array<double, subjectCount> &scores);
    bool sameScores(const Tstudent &other) const;

    // Score of a subject by its position in subject order.
    double score(std::size_t subject) const;
    // A subject's score, or the total for the position after the subjects.
    double measure(std::size_t measure) const;
};

} // namespace fenban
