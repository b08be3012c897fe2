#include "reports/history_summary.h"

#include "reports/balance.h"

namespace fenban::reports {

QString historySummary(const std::vector<StudentRow> &rows, int classCount) {
    const BalanceReport report = balanceReport(rows, classCount);
    const auto figure = [](double value) {
        return QString::number(value, 'f', 2);
    };
    return QStringLiteral("人数差%1 性别差%2 均分差%3 总分差%4 标准差%5 分段差%6 同音%7 未分班%8")
        .arg(figure(report.sizeDev), figure(report.worstSexDev()), figure(report.worstSubjectMeanDev()),
             figure(report.worstTotalMeanDev()), figure(report.worstSubjectSdDev()),
             figure(report.worstBandDev()))
        .arg(report.samePinyinPairs)
        .arg(report.unplaced.size());
}

} // namespace fenban::reports
