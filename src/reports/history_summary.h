#pragma once

#include "engine/division.h"

#include <QString>

#include <vector>

namespace fenban::reports {

// The balance of a division in one line, for its snapshot in the history: the worst figures of the
// balance report, e.g. "人数差0.58 性别差0.92 均分差0.35 总分差0.81 标准差0.69 分段差2.58 同音0 未分班0".
QString historySummary(const std::vector<StudentRow> &rows, int classCount);

} // namespace fenban::reports
