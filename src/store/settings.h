#pragma once

#include "store/result.h"

#include <QSqlDatabase>

#include <optional>

namespace fenban::store {

// A project's row of `config`. Flags are kept as stored: only the value 1 means on.
struct ProjectSettings {
    int isAvgPerson = 1;
    int isAvgTotal = 1;
    int isAvgCh = 1;
    int isAvgMath = 1;
    int isAvgEng = 1;
    int isAvgInter = 1;
    std::optional<int> inter = 1;  // empty when the column is NULL
    std::optional<int> isMan = 0;  // empty when the column is NULL
    std::optional<int> wtNum = 50; // empty when the column is NULL

    bool operator==(const ProjectSettings &) const = default;
};

class SettingsStore {
public:
    explicit SettingsStore(QSqlDatabase db);

    // Empty when the project has no settings row.
    Result<std::optional<ProjectSettings>> read(int projectId) const;
    // Fails, writing nothing, when the project has no settings row.
    Status write(int projectId, const ProjectSettings &settings);

private:
    QSqlDatabase m_db;
};

} // namespace fenban::store
