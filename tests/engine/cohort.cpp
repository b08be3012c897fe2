#include "cohort.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numeric>
#include <random>
#include <string>

namespace fenban::cohort {

namespace {

double halfPoints(double score) {
    return std::clamp(std::round(score * 2.0) / 2.0, 0.0, 100.0);
}

// Written with to_chars: GCC 12 at -O3 warns falsely (-Wrestrict) on "P" + std::to_string(n) and on
// appending to_string's result, once both are inlined here.
std::string pinyinKey(int value) {
    std::array<char, 16> text{'P'};
    const auto end = std::to_chars(text.data() + 1, text.data() + text.size(), value).ptr;
    return std::string(text.data(), end);
}

} // namespace

std::vector<StudentRow> make(const Shape &shape, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::normal_distribution<double> level(68.0, 13.0);
    std::normal_distribution<double> spread(0.0, 9.0);
    const std::array<std::string, 6> oddSexes{" 男", "女 ", "", "x", "\u3000男", "女\t"};

    // Student numbers in no particular order, so that nothing may rely on the order of the rows.
    std::vector<int> ids(static_cast<std::size_t>(shape.students));
    std::iota(ids.begin(), ids.end(), 1000);
    std::shuffle(ids.begin(), ids.end(), rng);

    std::vector<StudentRow> rows;
    rows.reserve(ids.size());
    for (const int id : ids) {
        StudentRow row;
        row.studentId = id;
        row.name = "学生" + std::to_string(id);
        if (chance(rng) < shape.oddSexShare)
            row.sex = oddSexes[std::uniform_int_distribution<std::size_t>(0, oddSexes.size() - 1)(rng)];
        else
            row.sex = chance(rng) < 0.5 ? "男" : "女";
        const double own = level(rng);
        for (double &score : row.scores)
            score = chance(rng) < shape.zeroShare ? 0.0 : halfPoints(own + spread(rng));
        row.pingyin = pinyinKey(
            shape.pinyinValues > 0 ? std::uniform_int_distribution<int>(0, shape.pinyinValues - 1)(rng) : id);
        if (shape.categories > 0 && chance(rng) < shape.categoryShare)
            row.pfType = "类" + std::to_string(std::uniform_int_distribution<int>(1, shape.categories)(rng));
        if (chance(rng) < shape.fixedShare) {
            row.type = Placement::Fixed;
            row.classId = std::uniform_int_distribution<int>(1, shape.fixedClassLimit)(rng);
        } else if (chance(rng) < shape.leftoverShare) {
            row.type = std::uniform_int_distribution<int>(0, 3)(rng) == 2 ? Placement::PlacedInCategory
                                                                          : Placement::Placed;
            row.classId = std::uniform_int_distribution<int>(0, 6)(rng);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace fenban::cohort
