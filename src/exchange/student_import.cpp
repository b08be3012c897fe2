#include "exchange/student_import.h"

#include "exchange/pinyin/pinyin.h"
#include "store/limits.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace fenban::exchange {

namespace {

// Grid columns of the import, counting from 0.
enum Column { Id, RecId, Name, Sex, FirstScore, OralSchool = 13, Addr, QxMemo, PfType };

constexpr double highestScore = 1000;
constexpr qsizetype pingyinWidth = 100;

// The widths of the char(n) columns, in characters.
struct TextLimit {
    int column;
    qsizetype width;
};
constexpr TextLimit textLimits[] = {{RecId, 100}, {Name, 50},    {Sex, 1},    {OralSchool, 100},
                                    {Addr, 100},  {QxMemo, 100}, {PfType, 10}};

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

enum class NumberFault { None, NotWhole, TooLong, ExponentForm, Negative };

struct ParsedNumber {
    qint64 value = 0;
    NumberFault fault = NumberFault::None;
};

// Spreadsheets write a number in exponent form once it has more digits than a cell shows, and keep
// only 15 of them anyway; such a form cannot be trusted to be the number the school gave.
ParsedNumber parseStudentNumber(const QString &text) {
    const auto fault = [](NumberFault kind) {
        return ParsedNumber{0, kind};
    };
    const QString number = text.trimmed();
    qsizetype at = 0;
    const auto takeSign = [&] {
        const bool negative = at < number.size() && number[at] == u'-';
        if (at < number.size() && (number[at] == u'-' || number[at] == u'+'))
            ++at;
        return negative;
    };
    const auto takeDigits = [&] {
        const qsizetype start = at;
        while (at < number.size() && isDigit(number[at]))
            ++at;
        return number.sliced(start, at - start);
    };
    const bool negative = takeSign();
    QString whole = takeDigits();
    QString fraction;
    if (at < number.size() && number[at] == u'.') {
        ++at;
        fraction = takeDigits();
    }
    if (whole.isEmpty() && fraction.isEmpty())
        return fault(NumberFault::NotWhole);
    if (at < number.size() && (number[at] == u'e' || number[at] == u'E')) {
        ++at;
        takeSign();
        const bool exponentDigits = !takeDigits().isEmpty();
        return fault(exponentDigits && at == number.size() ? NumberFault::ExponentForm
                                                           : NumberFault::NotWhole);
    }
    if (at != number.size() || std::ranges::any_of(fraction, [](QChar c) { return c != u'0'; }))
        return fault(NumberFault::NotWhole);

    qsizetype firstSignificant = 0;
    while (firstSignificant < whole.size() && whole[firstSignificant] == u'0')
        ++firstSignificant;
    if (whole.size() - firstSignificant > studentNumberDigits)
        return fault(NumberFault::TooLong);
    if (negative)
        return fault(NumberFault::Negative);
    return ParsedNumber{whole.sliced(firstSignificant).toLongLong(), NumberFault::None};
}

QString faultReason(NumberFault fault) {
    switch (fault) {
    case NumberFault::TooLong:
        return QStringLiteral("学号太长，最多%1位").arg(studentNumberDigits);
    case NumberFault::ExponentForm:
        return QStringLiteral("学号不能写成科学计数法");
    case NumberFault::Negative:
        return QStringLiteral("学号不能是负数");
    default:
        return QStringLiteral("学号必须是整数");
    }
}

class RowChecker {
public:
    explicit RowChecker(const ImportRow &row) : m_row(row) {}

    std::optional<ImportProblem> problem() const { return m_problem; }

    qint64 studentId() {
        const ParsedNumber id = parseStudentNumber(m_row.cells[Id]);
        if (id.fault == NumberFault::ExponentForm)
            refuse(Id, QStringLiteral("学号写成了科学计数法，表格程序可能已改动其中的数字，"
                                      "请把“学号”列设置为文本格式后重新输入"));
        else if (id.fault != NumberFault::None)
            refuse(Id, faultReason(id.fault));
        return id.value;
    }

    std::optional<double> score(int column) {
        const QString text = m_row.cells[column].trimmed();
        if (text.isEmpty()) {
            refuse(column, QStringLiteral("%1为空").arg(importHeaders()[column]));
            return std::nullopt;
        }
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value)) {
            refuse(column, QStringLiteral("%1必须是数字").arg(importHeaders()[column]));
            return std::nullopt;
        }
        if (value < 0 || value > highestScore) {
            refuse(column, QStringLiteral("%1必须在0到1000之间").arg(importHeaders()[column]));
            return std::nullopt;
        }
        return value;
    }

    void texts(const QString &sex) {
        for (const TextLimit &limit : textLimits) {
            const QString text = limit.column == Sex ? sex : m_row.cells[limit.column];
            if (const auto at = store::firstControlCharacter(text)) {
                refuse(limit.column,
                       QStringLiteral("%1不能含有控制字符“%2”")
                           .arg(importHeaders()[limit.column], visibleControls(text.mid(*at, 1))));
                return;
            }
            if (text.size() > limit.width) {
                refuse(limit.column,
                       QStringLiteral("%1最多%2个字符").arg(importHeaders()[limit.column]).arg(limit.width));
                return;
            }
        }
    }

    void refuse(int column, const QString &reason) {
        if (!m_problem)
            m_problem = ImportProblem{m_row.sheetRow, importHeaders()[column], m_row.cells[column], reason};
    }

private:
    const ImportRow &m_row;
    std::optional<ImportProblem> m_problem;
};

} // namespace

store::Result<qint64> studentNumber(const QString &text) {
    const ParsedNumber parsed = parseStudentNumber(text);
    if (parsed.fault != NumberFault::None)
        return store::Result<qint64>::failure(faultReason(parsed.fault));
    return store::Result<qint64>::success(parsed.value);
}

QString visibleControls(const QString &text) {
    QString visible;
    visible.reserve(text.size());
    for (const QChar c : text) {
        if (!store::firstControlCharacter(QString(c))) {
            visible.append(c);
        } else if (c == u'\n') {
            visible.append(u"\\n");
        } else if (c == u'\t') {
            visible.append(u"\\t");
        } else if (c == u'\r') {
            visible.append(u"\\r");
        } else {
            visible.append(QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper());
        }
    }
    return visible;
}

QString ImportProblem::message() const {
    if (sheetRow == 0)
        return reason;
    return QStringLiteral("插入数据库过程第%1行出错,学生不考的科目请设置为0分\n“%2”列的值“%3”: %4")
        .arg(sheetRow)
        .arg(column, visibleControls(value), reason);
}

ImportCheck studentsFromRows(const QList<ImportRow> &rows) {
    ImportCheck check;
    if (rows.isEmpty()) {
        check.problem = ImportProblem{0, {}, {}, QStringLiteral("文件中没有学生数据")};
        return check;
    }
    QHash<qint64, int> rowOfStudent;
    for (const ImportRow &row : rows) {
        RowChecker checker(row);
        store::StudentRecord record;
        record.studentId = checker.studentId();
        if (!checker.problem()) {
            if (const auto earlier = rowOfStudent.constFind(record.studentId); earlier != rowOfStudent.cend())
                checker.refuse(Id, QStringLiteral("学号与第%1行重复").arg(*earlier));
        }
        record.recId = row.cells[RecId];
        record.name = row.cells[Name];
        record.sex = row.cells[Sex].trimmed();
        for (std::size_t i = 0; i < subjectCount && !checker.problem(); ++i)
            record.scores[i] = checker.score(FirstScore + static_cast<int>(i));
        checker.texts(record.sex);
        if (const auto problem = checker.problem()) {
            check.problem = problem;
            check.records.clear();
            return check;
        }
        record.oralSchool = row.cells[OralSchool];
        record.addr = row.cells[Addr];
        // Derived, so cut rather than refused: only names of many characters reach the width.
        record.pingyin = pinyinName(record.name).left(pingyinWidth);
        record.qxMemo = row.cells[QxMemo];
        record.pfType = row.cells[PfType];
        rowOfStudent.insert(record.studentId, row.sheetRow);
        check.records.append(record);
    }
    return check;
}

} // namespace fenban::exchange
