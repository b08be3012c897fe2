#pragma once

#include "store/history.h"
#include "store/result.h"

#include <QSqlDatabase>

namespace fenban::store {

// What a copy brought: every student, and those of them in no class.
struct CopiedStudents {
    int students = 0;
    int withoutClass = 0;
};

// Copies the divided students of one project into another, where they arrive fixed to their classes
// (placement code 2); students the source has in no class arrive waiting (code 0), to be placed by
// the next division or optimisation. A source with no students, or with none in a class, is refused.
// Overwriting first removes from the target every student the source also has.
// All or nothing; the source project is not changed.
// The target's history records the result ("导入分班数据"), summed up by `summary`.
Result<CopiedStudents> copyStudents(QSqlDatabase db, int sourceId, int targetId, bool overwrite,
                                    const SnapshotSummary &summary = {});

// What the teacher is told after a copy: "导入数据成功", and how many came without a class if any did.
QString copiedText(const CopiedStudents &copied);

} // namespace fenban::store
