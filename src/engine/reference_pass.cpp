#include "engine/placement.h"
#include "engine/reference_model.h"

namespace fenban {

void referencePass(std::vector<StudentRow> &table, const PassParams &params, Reporter &reporter) {
    PlacementPass<ReferenceModel>(table, params, reporter).run();
}

} // namespace fenban
