#include "engine/subject.h"

namespace fenban {

std::optional<std::size_t> subjectIndexOfCode(std::string_view code) {
    if (code.size() != 1)
        return std::nullopt;
    for (std::size_t i = 0; i < subjects.size(); ++i) {
        if (subjects[i].code == code.front())
            return i;
    }
    return std::nullopt;
}

} // namespace fenban
