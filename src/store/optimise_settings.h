#pragma once

#include "store/result.h"
#include "store/settings.h"

#include "engine/subject.h"

#include <QSqlDatabase>

#include <array>

namespace fenban::store {

// Bounds on the optimiser's time budget: below a second it barely starts, and a teacher waiting
// longer than ten minutes is better served by running it again.
inline constexpr double minOptimiseSeconds = 1.0;
inline constexpr double maxOptimiseSeconds = 600.0;

// A project's row of `optimise_config`; a project without one has these defaults, so the division
// stays the exact one unless the teacher asks for more.
struct OptimiseSettings {
    double seconds = 10.0;
    bool afterDivision = false; // whether a whole division is followed by optimisation
    // The subjects (subject order) whose means, spreads and bands are evened out: the settings
    // window's subject ticks. Stored as a bit per subject, bit 0 the first.
    std::array<bool, subjectCount> subjects{true, true, true, true, true, true, true, true, true};

    bool operator==(const OptimiseSettings &) const = default;
};

// Refuses seconds outside minOptimiseSeconds..maxOptimiseSeconds (and NaN) with
// "优化时间必须在1到600秒之间".
Status checkOptimiseSeconds(double seconds);

class OptimiseSettingsStore {
public:
    explicit OptimiseSettingsStore(QSqlDatabase db);

    // The defaults when the project has no row; the seconds as stored, checked where they are used.
    Result<OptimiseSettings> read(int projectId) const;
    // Fails, writing nothing, for seconds out of bounds or a project that does not exist.
    Status write(int projectId, const OptimiseSettings &settings);

private:
    QSqlDatabase m_db;
};

// Writes a project's division settings and optimiser settings together, so a refused value leaves
// both as they were.
Status writeProjectSettings(QSqlDatabase db, int projectId, const ProjectSettings &division,
                            const OptimiseSettings &optimise);

} // namespace fenban::store
