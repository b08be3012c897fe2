#include "engine/distribute.h"

#include <stdexcept>

namespace fenban {

void Tdistribute::addStudent(Tstudent &student) {
    students.push_back(&student);
    ++count;
    const std::string_view sex = trimBlanks(student.sex);
    if (sex == boyText)
        ++boys;
    else if (sex == girlText)
        ++girls;
}

std::int32_t Tdistribute::countBySex(std::string_view sex) const {
    if (sex == boyText)
        return boys;
    if (sex == girlText)
        return girls;
    return 0;
}

double Tdistribute::average(std::size_t measure) const {
    if (count == 0)
        throw std::domain_error("an empty class has no average");
    double sum = 0.0;
    for (const Tstudent *student : students)
        sum += student->measure(measure);
    return sum / count;
}

double Tdistribute::avgTotal() const {
    return average(totalMeasure);
}
double Tdistribute::avgMath() const {
    return average(0);
}
double Tdistribute::avgEnglish() const {
    return average(1);
}
double Tdistribute::avgChinese() const {
    return average(2);
}
double Tdistribute::avgWuli() const {
    return average(3);
}
double Tdistribute::avgZhengzhi() const {
    return average(4);
}
double Tdistribute::avgLishi() const {
    return average(5);
}
double Tdistribute::avgTiyu() const {
    return average(6);
}
double Tdistribute::avgDili() const {
    return average(7);
}
double Tdistribute::avgShengwu() const {
    return average(8);
}

std::int32_t Tdistribute::countInBand(std::string_view code, double score) const {
    const auto subject = subjectIndexOfCode(code);
    if (!subject)
        return 0;
    const int band = scoreBand(score);
    std::int32_t n = 0;
    for (const Tstudent *student : students) {
        if (scoreBand(student->score(*subject)) == band)
            ++n;
    }
    return n;
}

std::int32_t Tdistribute::bandSwapTest(std::string_view code, const BandTargets &targets, double outScore,
                                       double inScore) const {
    const int bandOut = scoreBand(outScore);
    const int bandIn = scoreBand(inScore);
    if (bandOut == bandIn || !subjectIndexOfCode(code))
        return 0;
    return bandVerdict(countInBand(code, outScore), targets[bandOut], countInBand(code, inScore),
                       targets[bandIn], inter);
}

bool Tdistribute::hasPinyin(std::string_view pingyin) const {
    for (const Tstudent *student : students) {
        if (student->pingyin == pingyin)
            return true;
    }
    return false;
}

bool Tdistribute::hasOtherWithPinyin(std::int64_t studentId, std::string_view pingyin) const {
    for (const Tstudent *student : students) {
        if (student->pingyin == pingyin && student->studentId != studentId)
            return true;
    }
    return false;
}

} // namespace fenban
