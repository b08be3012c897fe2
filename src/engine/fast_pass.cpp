#include "engine/fast_model.h"
#include "engine/placement.h"

namespace fenban {

void fastPass(std::vector<StudentRow> &table, const PassParams &params, Reporter &reporter) {
    PlacementPass<FastModel>(table, params, reporter).run();
}

} // namespace fenban
