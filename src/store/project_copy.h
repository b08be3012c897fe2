#pragma once

#include "store/history.h"
#include "store/result.h"

#include <QSqlDatabase>

namespace fenban::store {

// Copies the divided students of one project into another, where they arrive fixed to their classes
// (placement code 2). Overwriting first removes from the target every student the source also has.
// All or nothing; the source project is not changed.
// The target's history records the result ("导入分班数据"), summed up by `summary`.
Status copyStudents(QSqlDatabase db, int sourceId, int targetId, bool overwrite,
                    const SnapshotSummary &summary = {});

} // namespace fenban::store
