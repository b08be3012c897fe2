#pragma once

#include "store/students.h"

#include <QString>

#include <array>
#include <cstddef>
#include <optional>

namespace fenban::testing {

// A student record for a test, built field by field: only what a test sets differs from an empty record,
// so a fixture shows exactly what its case depends on.
class StudentBuilder {
public:
    explicit StudentBuilder(qint64 studentId) { m_record.studentId = studentId; }

    StudentBuilder &recId(const QString &recId) { return set(&store::StudentRecord::recId, recId); }
    StudentBuilder &name(const QString &name) { return set(&store::StudentRecord::name, name); }
    StudentBuilder &sex(const QString &sex) { return set(&store::StudentRecord::sex, sex); }
    StudentBuilder &inClass(int classId) { return set(&store::StudentRecord::classId, classId); }
    StudentBuilder &type(int type) { return set(&store::StudentRecord::type, type); }
    StudentBuilder &school(const QString &school) { return set(&store::StudentRecord::oralSchool, school); }
    StudentBuilder &addr(const QString &addr) { return set(&store::StudentRecord::addr, addr); }
    StudentBuilder &pinyin(const QString &pinyin) { return set(&store::StudentRecord::pingyin, pinyin); }
    StudentBuilder &memo(const QString &memo) { return set(&store::StudentRecord::qxMemo, memo); }
    StudentBuilder &category(const QString &category) { return set(&store::StudentRecord::pfType, category); }

    // The same score in every subject.
    StudentBuilder &scores(double score) {
        m_record.scores.fill(score);
        return *this;
    }
    // Scores in subject order.
    StudentBuilder &scores(const std::array<double, subjectCount> &scores) {
        for (std::size_t i = 0; i < scores.size(); ++i)
            m_record.scores[i] = scores[i];
        return *this;
    }
    // Each subject's score from its position in subject order.
    template <typename F> StudentBuilder &scoresBy(F scoreOf) {
        for (std::size_t i = 0; i < m_record.scores.size(); ++i)
            m_record.scores[i] = scoreOf(i);
        return *this;
    }
    // One subject's score, by its position in subject order.
    StudentBuilder &score(std::size_t subject, std::optional<double> score) {
        m_record.scores.at(subject) = score;
        return *this;
    }

    store::StudentRecord build() const { return m_record; }
    operator store::StudentRecord() const { return m_record; }

private:
    template <typename T, typename V> StudentBuilder &set(T store::StudentRecord::*field, const V &value) {
        m_record.*field = value;
        return *this;
    }

    store::StudentRecord m_record;
};

} // namespace fenban::testing
