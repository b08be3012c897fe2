#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace fenban {

// One of the nine scored subjects. The order of `subjects` is the one subject order used everywhere:
// score fields, score columns of a student table, grid columns and the terms of every total.
struct Subject {
    std::string_view column; // column name in a student table
    char code;               // one-letter code the engine names it by
    std::string_view label;  // caption shown to the user (UTF-8)
};

inline constexpr std::size_t subjectCount = 9;

inline constexpr std::array<Subject, subjectCount> subjects{{
    {"math", 'M', "数学"},
    {"english", 'E', "英语"},
    {"chinese", 'C', "语文"},
    {"wuli", 'W', "物理"},
    {"zhengzhi", 'Z', "政治"},
    {"lishi", 'L', "历史"},
    {"tiyu", 'T', "体育"},
    {"dili", 'D', "地理"},
    {"shengwu", 'S', "生物"},
}};

inline constexpr std::string_view totalLabel = "总分";

// Position of the subject named by a one-character code; any other text names no subject.
std::optional<std::size_t> subjectIndexOfCode(std::string_view code);

} // namespace fenban
