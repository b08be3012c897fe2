#include "engine/student.h"

#include "engine/rules.h"

#include <utility>

namespace fenban {

namespace {

constexpr std::array<double Tstudent::*, subjectCount> scoreFields{
    &Tstudent::math,  &Tstudent::english, &Tstudent::chinese, &Tstudent::wuli,   &Tstudent::zhengzhi,
    &Tstudent::lishi, &Tstudent::tiyu,    &Tstudent::dili,    &Tstudent::shengwu};

} // namespace

void Tstudent::setInfo(std::int64_t id, std::string name, bool adjustedMark, std::string sexText,
                       Placement kind, std::string pinyinText) {
    studentId = id;
    studentName = std::move(name);
    adjusted = adjustedMark;
    sex = std::move(sexText);
    placeKind = kind;
    pingyin = std::move(pinyinText);
}

void Tstudent::setScores(double m, double e, double c, double w, double z, double l, double t, double d,
                         double s) {
    setScores(std::array<double, subjectCount>{m, e, c, w, z, l, t, d, s});
}

void Tstudent::setScores(const std::array<double, subjectCount> &scores) {
    for (std::size_t i = 0; i < subjectCount; ++i)
        this->*scoreFields[i] = scores[i];
    total = math + english + chinese + wuli + zhengzhi + lishi + tiyu + dili + shengwu;
    average = total / 9.0;
}

bool Tstudent::sameScores(const Tstudent &other) const {
    for (const auto field : scoreFields) {
        if (this->*field != other.*field)
            return false;
    }
    return true;
}

double Tstudent::score(std::size_t subject) const {
    return this->*scoreFields[subject];
}

double Tstudent::measure(std::size_t m) const {
    return m == totalMeasure ? total : score(m);
}

} // namespace fenban
