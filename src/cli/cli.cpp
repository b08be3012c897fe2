#include "cli/cli.h"

#include "cli/context.h"
#include "cli/copy_db_command.h"
#include "cli/division_commands.h"
#include "cli/exchange_commands.h"
#include "cli/history_commands.h"
#include "cli/project_commands.h"
#include "cli/report_commands.h"
#include "cli/roster_command.h"
#include "cli/rules_commands.h"
#include "store/projects.h"

#include <functional>
#include <map>

namespace fenban::cli {

namespace {

const char16_t usageText[] =
    u"用法: fenban-cli [--db 路径] 命令\n"
    u"      fenban-cli --version              显示版本\n"
    u"命令:\n"
    u"  new --memo 描述 --classes 班级数   新建分班项目, 输出其编号\n"
    u"  projects                            列出所有分班项目\n"
    u"  delete 编号                          删除分班项目\n"
    u"  settings 编号 [--inter N] [--wtnum N] [--man 0|1] [--avg-person 0|1]\n"
    u"           [--avg-total 0|1] [--avg-ch 0|1] [--avg-math 0|1] [--avg-eng 0|1]\n"
    u"           [--avg-inter 0|1] [--optimise-seconds 秒] [--optimise-after 0|1]\n"
    u"           [--optimise-subjects 语文,数学,...]\n"
    u"                                      查看或修改分班设置\n"
    u"  import 编号 文件                      从 .xls/.xlsx/.csv 导入学生(替换原有学生)\n"
    u"  export 编号 文件.xlsx|文件.csv         导出分班结果\n"
    u"  pinyin 文字                           显示文字的拼音形式\n"
    u"  divide 编号                           分班, 输出分班过程信息\n"
    u"  redivide 编号 班级...                  把所选班级的学生在这些班级之间重新分班\n"
    u"  stats 编号 [文件.xlsx]                 班级统计信息, 或把统计表导出\n"
    u"  roster 编号 文件.pdf|文件.xlsx [--sort number|name] [--columns 学号,姓名,...]\n"
    u"                                      导出分班名单: 每班一页/一个工作表\n"
    u"  balance 编号 [--classes]              均衡度: 各项最大偏差, 加 --classes 列出各班数据\n"
    u"  students 编号 [--no N] [--name 文字] [--sex 男|女] [--class N]\n"
    u"           [--math 下限 上限] [--chinese 下限 上限] [--english 下限 上限]  查询学生\n"
    u"  copy-from 源编号 目标编号 [--overwrite]  把另一分班项目的学生导入\n"
    u"  optimise 编号 [--seconds 秒] [--seed N]  优化均衡, 输出优化前后的均衡度\n"
    u"  apart 编号 学号 学号...                 这些学生必须分在不同班, 输出规则编号\n"
    u"  together 编号 学号 学号...              这些学生必须分在同一班, 输出规则编号\n"
    u"  rules 编号 [--remove 规则编号]           列出分开/同班规则及其违反情况, 或删除一条规则\n"
    u"  history 编号                          分班历史: 记录编号、时间、操作、均衡情况, 最新的在前\n"
    u"  restore 编号 记录编号                  恢复到分班历史中的一次分班\n"
    u"  diff 编号 记录编号 [记录编号]           比较两次分班(或一次分班与现在)调动的学生\n"
    u"  move 编号 学号 班级 [--keep-unfixed]    把学生调到另一个班(默认固定在该班)\n"
    u"  swap 编号 学号 学号                     交换两名学生的班级(两人都固定在新班)\n"
    u"  copy-db 源数据库 目标数据库             把所有分班项目复制到另一个数据库\n"
    u"                                      (数据库文件或 postgresql:// 地址)\n";

} // namespace

bool Context::usageFailed() {
    const QString problem = args.usageError();
    if (problem.isEmpty())
        return false;
    err << problem << Qt::endl << QString::fromUtf16(usageText);
    return true;
}

std::unique_ptr<store::Database> Context::openDatabase() {
    auto opened = store::Database::open(databasePath);
    if (!opened) {
        err << store::openFailureText(databasePath, opened.error()) << Qt::endl;
        return nullptr;
    }
    return std::move(opened.value());
}

std::optional<int> Context::takeProjectId() {
    const auto word = args.takePositional();
    bool isNumber = false;
    const int id = word ? word->toInt(&isNumber) : 0;
    if (isNumber)
        return id;
    err << (word ? QStringLiteral("分班项目编号必须是整数: %1").arg(*word)
                 : QStringLiteral("缺少分班项目编号"))
        << Qt::endl
        << QString::fromUtf16(usageText);
    return std::nullopt;
}

bool Context::projectExists(store::Database &database, int id) {
    const auto project = store::ProjectStore(database.connection()).find(id);
    if (project && project.value())
        return true;
    err << (project ? QStringLiteral("不存在编号为%1的分班项目").arg(id) : project.error()) << Qt::endl;
    return false;
}

namespace {

// A command with the options it understands besides the global --db.
struct Command {
    std::function<int(Context &)> run;
    OptionSpec options;
};

const std::map<QString, Command> &commands() {
    using enum OptionKind;
    static const std::map<QString, Command> table{
        {QStringLiteral("new"),
         {newProjectCommand, {{QStringLiteral("memo"), Value}, {QStringLiteral("classes"), Value}}}},
        {QStringLiteral("projects"), {projectsCommand, {}}},
        {QStringLiteral("delete"), {deleteCommand, {}}},
        {QStringLiteral("settings"), {settingsCommand, settingsOptions()}},
        {QStringLiteral("import"), {importCommand, {}}},
        {QStringLiteral("export"), {exportCommand, {}}},
        {QStringLiteral("pinyin"), {pinyinCommand, {}}},
        {QStringLiteral("divide"), {divideCommand, {}}},
        {QStringLiteral("redivide"), {redivideCommand, {}}},
        {QStringLiteral("stats"), {statsCommand, {}}},
        {QStringLiteral("roster"),
         {rosterCommand, {{QStringLiteral("sort"), Value}, {QStringLiteral("columns"), Value}}}},
        {QStringLiteral("balance"), {balanceCommand, {{QStringLiteral("classes"), Flag}}}},
        {QStringLiteral("students"),
         {studentsCommand,
          {{QStringLiteral("no"), Value},
           {QStringLiteral("name"), Value},
           {QStringLiteral("sex"), Value},
           {QStringLiteral("class"), Value},
           {QStringLiteral("math"), Pair},
           {QStringLiteral("chinese"), Pair},
           {QStringLiteral("english"), Pair}}}},
        {QStringLiteral("copy-from"), {copyFromCommand, {{QStringLiteral("overwrite"), Flag}}}},
        {QStringLiteral("optimise"),
         {optimiseCommand, {{QStringLiteral("seconds"), Value}, {QStringLiteral("seed"), Value}}}},
        {QStringLiteral("apart"), {apartCommand, {}}},
        {QStringLiteral("together"), {togetherCommand, {}}},
        {QStringLiteral("rules"), {rulesCommand, {{QStringLiteral("remove"), Value}}}},
        {QStringLiteral("history"), {historyCommand, {}}},
        {QStringLiteral("restore"), {restoreCommand, {}}},
        {QStringLiteral("diff"), {diffCommand, {}}},
        {QStringLiteral("move"), {moveCommand, {{QStringLiteral("keep-unfixed"), Flag}}}},
        {QStringLiteral("swap"), {swapCommand, {}}},
        {QStringLiteral("copy-db"), {copyDatabaseCommand, {}}},
    };
    return table;
}

const QString databaseOption = QStringLiteral("db");
const QString versionFlag = QStringLiteral("--version");

// Where the command's name stands: the first word that is neither the global --db nor its value.
// The words after it are only split once the command, and so its options, are known.
qsizetype commandPosition(const QStringList &words) {
    const QString flag = QStringLiteral("--") + databaseOption;
    qsizetype i = 0;
    while (i < words.size()) {
        if (words[i] == flag)
            i += 2;
        else if (words[i].startsWith(flag + QLatin1Char('=')))
            i += 1;
        else
            return i;
    }
    return -1;
}

// Stands where a command would, so that "--db PATH --version" works too; nothing else may follow.
int versionCommand(const QStringList &words, QTextStream &out, QTextStream &err) {
    Arguments args(words, {{databaseOption, OptionKind::Value}});
    args.takeOption(databaseOption);
    if (const QString problem = args.usageError(); !problem.isEmpty()) {
        err << problem << Qt::endl << QString::fromUtf16(usageText);
        return UsageError;
    }
    out << QStringLiteral("fenban ") << QStringLiteral(FENBAN_VERSION) << Qt::endl;
    return Success;
}

} // namespace

bool needsFonts(const QStringList &arguments) {
    const qsizetype at = commandPosition(arguments);
    return at >= 0 && arguments[at] == QStringLiteral("roster");
}

int run(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    const qsizetype at = commandPosition(arguments);
    const QString name = at < 0 ? QString() : arguments[at];
    if (name == versionFlag) {
        QStringList words = arguments;
        words.removeAt(at);
        return versionCommand(words, out, err);
    }
    const auto command = commands().find(name);
    if (command == commands().end()) {
        const QString problem = at < 0
                                    ? Arguments(arguments, {{databaseOption, OptionKind::Value}}).usageError()
                                    : QStringLiteral("未知命令: %1").arg(name);
        if (!problem.isEmpty())
            err << problem << Qt::endl;
        err << QString::fromUtf16(usageText);
        return UsageError;
    }

    QStringList words = arguments;
    words.removeAt(at);
    OptionSpec options = command->second.options;
    options.emplace(databaseOption, OptionKind::Value);
    Arguments args(words, options);
    // An ambiguous command line does nothing at all, whatever the command would take from it.
    if (!args.optionError().isEmpty()) {
        err << args.optionError() << Qt::endl << QString::fromUtf16(usageText);
        return UsageError;
    }
    const QString databasePath = args.takeOption(databaseOption).value_or(QString());
    Context context{args, out, err, store::resolveDatabasePath(databasePath)};
    return command->second.run(context);
}

} // namespace fenban::cli
