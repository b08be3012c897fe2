#pragma once

#include "engine/subject.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fenban {

// Where a row stands after a run; the database stores these numbers.
enum class Placement : std::int32_t {
    Waiting = 0,          // to be placed by the next run
    Placed = 1,           // placed by the last run
    Fixed = 2,            // kept in its class by every run
    PlacedInCategory = 3, // placed by the last run among the students of its category
};

// One row of the table being divided, as the engine needs it. Texts are UTF-8.
struct StudentRow {
    std::int64_t studentId = 0; // whole numbers of up to 18 digits
    std::string name;
    std::string sex; // as stored, not trimmed
    int classId = 0; // 0: in no class
    Placement type = Placement::Waiting;
    std::array<double, subjectCount> scores{}; // subject order
    std::string pingyin;
    std::string pfType; // category; empty for none

    bool operator==(const StudentRow &) const = default;
};

// The balance rules of a project, as stored: a flag is on exactly when it equals 1.
struct DivisionSettings {
    int isAvgPerson = 1;
    int isAvgTotal = 1;
    int isAvgCh = 1;
    int isAvgMath = 1;
    int isAvgEng = 1;
    int isAvgInter = 1;
    int isMan = 0;
    int inter = 1;
    int wtNum = 50;
};

// What a run tells the outside world while it works. Every member may be left empty.
// The lines that close a placement pass and a re-division. They tell the teacher the classes are
// updated, so whoever stores the classes holds the last of them back until the classes are stored.
inline constexpr std::string_view passEndLine = "更新结束";
inline constexpr std::string_view redivisionEndLine = "重新分班结束";

struct DivisionObserver {
    // One console line, in the order the run writes them.
    std::function<void(const std::string &line)> message;
    // Fine-tuning passes done so far out of all the run will make; called after every pass.
    std::function<void(long done, long total)> progress;
    // Asked between fine-tuning passes; answering true stops the run (it then reports Cancelled).
    std::function<bool()> cancelled;
};

enum class DivisionOutcome { Done, Cancelled, Refused };

struct DivisionResult {
    DivisionOutcome outcome = DivisionOutcome::Done;
    std::string message; // for Refused: why, for the user (UTF-8)
};

// A division engine works on the rows of one project's student table held in memory; on Done the
// rows carry their new `classId` and `type`, otherwise they are left as they were.
class DivisionEngine {
public:
    virtual ~DivisionEngine() = default;

    // Divides every student of the project over classes 1..numClass from scratch.
    virtual DivisionResult divide(std::vector<StudentRow> &rows, int numClass,
                                  const DivisionSettings &settings,
                                  const DivisionObserver &observer) const = 0;

    // Divides the students of the chosen classes (class numbers, in request order) again among
    // those classes; fixed rows and rows placed within their category keep their class.
    virtual DivisionResult redivide(std::vector<StudentRow> &rows, const std::vector<int> &classNumbers,
                                    const DivisionSettings &settings,
                                    const DivisionObserver &observer) const = 0;
};

// Recomputes every average and band count from the class lists at every question.
std::unique_ptr<DivisionEngine> makeReferenceEngine();
// Keeps per-class sums and band counts up to date; gives the same results as the reference.
std::unique_ptr<DivisionEngine> makeFastEngine();

} // namespace fenban
