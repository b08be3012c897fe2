#pragma once

#include "engine/division.h"
#include "engine/pass.h"
#include "engine/reporter.h"
#include "engine/rules.h"
#include "engine/student.h"
#include "engine/tuning.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace fenban {

// A placement pass over one table, written once for any class model: loads the students who keep
// their class, places every waiting student of each sex where the sexes and score bands are most
// even, fine-tunes after each sex and writes the classes back into the rows.
template <class Model> class PlacementPass {
public:
    PlacementPass(std::vector<StudentRow> &table, const PassParams &params, Reporter &reporter)
        : m_table(table), m_params(params), m_reporter(reporter), m_pool(table.size()),
          m_model(table, m_pool, static_cast<int>(params.classNumbers.size()), params.settings.inter) {}

    void run() {
        loadKept();
        const bool boysFirst = m_params.settings.isMan == 1;
        for (const std::string_view sex : {boysFirst ? boyText : girlText, boysFirst ? girlText : boyText}) {
            m_reporter.line("对" + std::string(sex) + "的进行分");
            placeSex(sex);
            m_reporter.line(std::string(sex) + "的结束");
        }
        m_reporter.line("正在刷新数据.....");
        writeBack();
        m_reporter.line(std::string(passEndLine));
    }

    // Position of the class that receives `student`: fewest of its sex, then fewest sharing its
    // score bands, then the earliest; a class already holding its pingyin is passed over unless
    // every class does.
    static int findMixClass(const Model &model, std::string_view sex, const Tstudent &student) {
        const int classCount = model.classCount();
        int chosen = 0;
        int bestSex = INT_MAX;
        int bestBand = INT_MAX;
        for (const bool checkPinyin : {true, false}) {
            int blocked = 0;
            for (int k = 0; k < classCount; ++k) {
                if (checkPinyin && model.hasPinyin(k, student)) {
                    ++blocked;
                    continue;
                }
                const int sameSex = model.countBySex(k, sex);
                if (sameSex > bestSex)
                    continue;
                if (sameSex < bestSex)
                    bestBand = INT_MAX;
                bestSex = sameSex;
                const int band = model.bandSum(k, student);
                if (band < bestBand) {
                    chosen = k;
                    bestBand = band;
                }
            }
            if (blocked < classCount)
                break;
        }
        return chosen;
    }

private:
    void load(std::size_t row, Placement placeKind) {
        const StudentRow &r = m_table[row];
        Tstudent &s = m_pool[row];
        s.setInfo(r.studentId, r.name, false, r.sex, placeKind, r.pingyin);
        s.setScores(r.scores);
    }

    void loadKept() {
        std::vector<std::size_t> kept;
        for (std::size_t i = 0; i < m_table.size(); ++i) {
            if (m_table[i].type == Placement::Fixed || m_table[i].type == Placement::PlacedInCategory)
                kept.push_back(i);
        }
        std::stable_sort(kept.begin(), kept.end(), [&](std::size_t x, std::size_t y) {
            return m_table[x].studentId < m_table[y].studentId;
        });
        const std::vector<int> &numbers = m_params.classNumbers;
        for (const std::size_t i : kept) {
            load(i, Placement::Fixed);
            // A class number outside the pass leaves the student out of every class and its row as it is.
            const auto k = std::find(numbers.begin(), numbers.end(), m_table[i].classId);
            if (k != numbers.end())
                m_model.add(static_cast<int>(k - numbers.begin()), m_pool[i]);
        }
    }

    void placeSex(std::string_view sex) {
        std::vector<std::size_t> waiting;
        std::vector<double> totals(m_table.size());
        for (std::size_t i = 0; i < m_table.size(); ++i) {
            if (m_table[i].type == Placement::Waiting && trimBlanks(m_table[i].sex) == sex) {
                waiting.push_back(i);
                const double total = rowTotal(m_table[i]);
                // A NaN total would break the ordering; it ranks last.
                totals[i] = std::isnan(total) ? -std::numeric_limits<double>::infinity() : total;
            }
        }
        std::stable_sort(waiting.begin(), waiting.end(), [&](std::size_t x, std::size_t y) {
            if (totals[x] != totals[y])
                return totals[x] > totals[y];
            return m_table[x].studentId < m_table[y].studentId;
        });
        for (const std::size_t i : waiting) {
            load(i, Placement::Waiting);
            m_model.add(findMixClass(m_model, sex, m_pool[i]), m_pool[i]);
        }
        // Fine-tuning measures against placed rows, these included.
        for (const std::size_t i : waiting)
            m_table[i].type = Placement::Placed;
        fineTune(m_model, m_table, m_params, m_reporter);
        m_reporter.line("微调结束");
    }

    void writeBack() {
        for (int k = 0; k < m_model.classCount(); ++k) {
            for (std::size_t p = 0; p < m_model.size(k); ++p)
                m_table[static_cast<std::size_t>(&m_model.at(k, p) - m_pool.data())].classId =
                    m_params.classNumbers[k];
        }
    }

    std::vector<StudentRow> &m_table;
    const PassParams &m_params;
    Reporter &m_reporter;
    std::vector<Tstudent> m_pool; // one slot per row of the table, so a student's slot names its row
    Model m_model;
};

} // namespace fenban
