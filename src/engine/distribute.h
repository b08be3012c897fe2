#pragma once

#include "engine/rules.h"
#include "engine/student.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace fenban {

// One class being filled. It refers to its students and does not own them; every figure is walked
// from the list on each call.
class Tdistribute {
public:
    std::vector<Tstudent *> students;
    std::int32_t count = 0;
    std::int32_t boys = 0;
    std::int32_t girls = 0;
    std::int32_t inter = 0;

    void addStudent(Tstudent &student);
    std::int32_t countBySex(std::string_view sex) const;

    // The average family. An empty class has no average: these throw std::domain_error then.
    double avgTotal() const;
    double avgMath() const;
    double avgEnglish() const;
    double avgChinese() const;
    double avgWuli() const;
    double avgZhengzhi() const;
    double avgLishi() const;
    double avgTiyu() const;
    double avgDili() const;
    double avgShengwu() const;
    // The same by measure position: subjects in subject order, then the total.
    double average(std::size_t measure) const;

    std::int32_t countInBand(std::string_view code, double score) const;
    std::int32_t bandSwapTest(std::string_view code, const BandTargets &targets, double outScore,
                              double inScore) const;
    bool hasPinyin(std::string_view pingyin) const;
    bool hasOtherWithPinyin(std::int64_t studentId, std::string_view pingyin) const;
};

} // namespace fenban
