#include "intake.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>

namespace fenban::cohort {

namespace {

// Name characters with the syllable each is read as; several characters share a syllable, as in life.
struct NameCharacter {
    const char *text;
    const char *syllable;
};

constexpr std::array<NameCharacter, 12> surnames{{{"王", "wang"},
                                                  {"李", "li"},
                                                  {"张", "zhang"},
                                                  {"刘", "liu"},
                                                  {"陈", "chen"},
                                                  {"杨", "yang"},
                                                  {"黄", "huang"},
                                                  {"赵", "zhao"},
                                                  {"吴", "wu"},
                                                  {"周", "zhou"},
                                                  {"徐", "xu"},
                                                  {"孙", "sun"}}};

constexpr std::array<NameCharacter, 40> givenCharacters{{
    {"伟", "wei"},  {"为", "wei"},  {"芳", "fang"}, {"方", "fang"}, {"娜", "na"},    {"敏", "min"},
    {"静", "jing"}, {"晶", "jing"}, {"丽", "li"},   {"立", "li"},   {"强", "qiang"}, {"磊", "lei"},
    {"军", "jun"},  {"君", "jun"},  {"洋", "yang"}, {"阳", "yang"}, {"勇", "yong"},  {"艳", "yan"},
    {"燕", "yan"},  {"杰", "jie"},  {"洁", "jie"},  {"涛", "tao"},  {"明", "ming"},  {"鸣", "ming"},
    {"超", "chao"}, {"秀", "xiu"},  {"霞", "xia"},  {"平", "ping"}, {"萍", "ping"},  {"刚", "gang"},
    {"桂", "gui"},  {"浩", "hao"},  {"宇", "yu"},   {"雨", "yu"},   {"欣", "xin"},   {"新", "xin"},
    {"子", "zi"},   {"梓", "zi"},   {"涵", "han"},  {"晗", "han"},
}};

} // namespace

std::vector<StudentRow> intake(int students, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::normal_distribution<double> normal(0.0, 1.0);
    const auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };
    // Full marks, mean share of full marks, spread share, and how much the subject follows the
    // student's general level.
    struct Scale {
        double full, mean, spread, loading;
    };
    const std::array<Scale, subjectCount> scales{{{150, 0.66, 0.16, 0.85},
                                                  {150, 0.68, 0.15, 0.80},
                                                  {150, 0.72, 0.09, 0.75},
                                                  {100, 0.64, 0.17, 0.80},
                                                  {100, 0.72, 0.12, 0.65},
                                                  {100, 0.70, 0.13, 0.65},
                                                  {60, 0.82, 0.10, 0.20},
                                                  {100, 0.69, 0.13, 0.65},
                                                  {100, 0.67, 0.14, 0.70}}};

    std::vector<StudentRow> rows;
    rows.reserve(static_cast<std::size_t>(students));
    for (int i = 0; i < students; ++i) {
        StudentRow row;
        row.studentId = 20260001 + i;
        const double sexDraw = chance(rng);
        row.sex = sexDraw < 0.01 ? "" : sexDraw < 0.505 ? "男" : "女";
        const double level = normal(rng);
        for (std::size_t s = 0; s < subjectCount; ++s) {
            const Scale &scale = scales[s];
            const double z =
                scale.loading * level + std::sqrt(1.0 - scale.loading * scale.loading) * normal(rng);
            double score = std::round(scale.full * (scale.mean + scale.spread * z));
            if (chance(rng) < 0.08)
                score += 0.5;
            row.scores[s] = std::clamp(score, 0.0, scale.full);
        }
        const double categoryDraw = chance(rng);
        if (categoryDraw < 0.22)
            row.pfType = categoryDraw < 0.10 ? "住校" : categoryDraw < 0.17 ? "特长生" : "借读";
        const NameCharacter &surname = surnames[pick(surnames.size())];
        row.name = surname.text;
        row.pingyin = surname.syllable;
        const int given = chance(rng) < 0.3 ? 1 : 2;
        for (int g = 0; g < given; ++g) {
            const NameCharacter &c = givenCharacters[pick(givenCharacters.size())];
            row.name += c.text;
            row.pingyin += c.syllable;
        }
        // Generated names collide far more than real ones with three characters would; a numbered
        // tail keeps them apart, and the repeats and homophones below are made on purpose.
        row.name += std::to_string(i);
        row.pingyin += std::to_string(i);
        rows.push_back(std::move(row));
    }
    for (int i = 1; i < students; ++i) {
        const double draw = chance(rng);
        StudentRow &row = rows[static_cast<std::size_t>(i)];
        const StudentRow &other = rows[pick(static_cast<std::size_t>(i))];
        if (draw < 0.02) {
            row.name = other.name;
            row.pingyin = other.pingyin;
        } else if (draw < 0.05) {
            row.name = other.name + "之";
            row.pingyin = other.pingyin;
        }
    }
    return rows;
}

} // namespace fenban::cohort
