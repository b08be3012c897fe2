#pragma once

#include "store/projects.h"
#include "store/students.h"
#include "support/temp_database.h"

#include <QFile>

#include <gtest/gtest.h>

namespace fenban::testing {

// Project 1 ("高一", three classes) with twelve students, boys and girls, one category among them.
class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(store::ProjectStore(db.connection()).create({QStringLiteral("高一"), 3}));
        ASSERT_EQ(store::StudentStore(db.connection()).replaceAll(1, cohort()).kind,
                  store::ReplaceOutcome::Written);
    }

    static QList<store::StudentRecord> cohort() {
        QList<store::StudentRecord> students;
        for (int id = 1; id <= 12; ++id) {
            store::StudentRecord record;
            record.studentId = id;
            record.name = QStringLiteral("学生%1").arg(id);
            record.sex = id % 2 ? QStringLiteral("男") : QStringLiteral("女");
            for (std::size_t i = 0; i < record.scores.size(); ++i)
                record.scores[i] = 40 + (id * 7 + static_cast<int>(i) * 13) % 60;
            record.pfType = id <= 4 ? QStringLiteral("艺术") : QString();
            students.append(record);
        }
        return students;
    }

    QStringList classes() const {
        return db.query(QStringLiteral("SELECT student_id, class_id FROM qx_1 ORDER BY student_id"));
    }

    // A file that exists but is no database: opening it is refused and leaves it as it was.
    QString notADatabase() const {
        const QString path = db.dir().filePath(QStringLiteral("note.txt"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a database, just a note\n");
        return path;
    }

    TempDatabase db;
};

} // namespace fenban::testing
