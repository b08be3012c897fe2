#include "engine/subject.h"

#include <gtest/gtest.h>

using fenban::subjectIndexOfCode;

TEST(Subject, CodesNameSubjectsInTableOrder) {
    const std::string_view codes = "MECWZLTDS";
    for (std::size_t i = 0; i < codes.size(); ++i)
        EXPECT_EQ(subjectIndexOfCode(codes.substr(i, 1)), i) << codes[i];
    for (const std::string_view other : {"", "m", "MM", "X", "总"})
        EXPECT_EQ(subjectIndexOfCode(other), std::nullopt) << other;
}
