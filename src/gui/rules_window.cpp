#include "gui/rules_window.h"

#include "engine/student_groups.h"
#include "gui/column_widths.h"
#include "gui/message_box.h"
#include "gui/project_context.h"
#include "reports/student_search.h"
#include "store/division_runner.h"
#include "store/student_groups.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

namespace fenban::gui {

namespace {

QTableWidgetItem *readOnlyItem(const QString &text) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QString memberText(const store::GroupMember &member) {
    return member.name.isEmpty() ? QString::number(member.studentId)
                                 : QStringLiteral("%1 %2").arg(member.studentId).arg(member.name);
}

} // namespace

RulesWindow::RulesWindow(std::shared_ptr<const ProjectContext> context, QWidget *parent)
    : QWidget(parent), m_context(std::move(context)) {
    setObjectName(QStringLiteral("frm_rules"));
    setWindowTitle(QStringLiteral("分开/同班规则"));

    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("cbRuleKind"));
    m_kind->addItem(store::groupKindText(StudentGroup::Kind::Apart), int(StudentGroup::Kind::Apart));
    m_kind->addItem(store::groupKindText(StudentGroup::Kind::Together), int(StudentGroup::Kind::Together));
    m_students = new QLineEdit(this);
    m_students->setObjectName(QStringLiteral("edtRuleStudents"));
    m_students->setPlaceholderText(QStringLiteral("学号或姓名，用空格或逗号隔开"));
    auto *add = new QPushButton(QStringLiteral("添加"), this);
    add->setObjectName(QStringLiteral("btnAddRule"));
    connect(add, &QPushButton::clicked, this, &RulesWindow::addRule);
    connect(m_students, &QLineEdit::returnPressed, this, &RulesWindow::addRule);

    m_rules = new QTableWidget(0, 4, this);
    m_rules->setObjectName(QStringLiteral("sgRules"));
    m_rules->setHorizontalHeaderLabels(
        {QStringLiteral("编号"), QStringLiteral("规则"), QStringLiteral("学生"), QStringLiteral("目前分班")});
    m_rules->verticalHeader()->hide();
    m_rules->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_rules->setSelectionMode(QAbstractItemView::SingleSelection);
    m_rules->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rules->horizontalHeader()->setStretchLastSection(true);
    m_rules->setColumnWidth(2, 320);

    m_remove = new QPushButton(QStringLiteral("删除"), this);
    m_remove->setObjectName(QStringLiteral("btnRemoveRule"));
    connect(m_remove, &QPushButton::clicked, this, &RulesWindow::removeRule);
    auto *refreshButton = new QPushButton(QStringLiteral("刷新"), this);
    refreshButton->setObjectName(QStringLiteral("btnRefreshRules"));
    connect(refreshButton, &QPushButton::clicked, this, &RulesWindow::refresh);
    auto *close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("btnCloseRules"));
    connect(close, &QPushButton::clicked, this, [this] {
        if (parentWidget())
            parentWidget()->close();
        else
            this->close();
    });

    auto *entry = new QHBoxLayout;
    entry->addWidget(new QLabel(QStringLiteral("规则"), this));
    entry->addWidget(m_kind);
    entry->addWidget(new QLabel(QStringLiteral("学生"), this));
    entry->addWidget(m_students, 1);
    entry->addWidget(add);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_remove);
    buttons->addStretch();
    buttons->addWidget(refreshButton);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    auto *note = new QLabel(QStringLiteral("分开：这些学生分在不同的班；同班：这些学生分在同一个班。"
                                           "分班按原来的方法进行，优化均衡和手工调整遵守这些规则。"),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addLayout(entry);
    layout->addWidget(m_rules, 1);
    layout->addLayout(buttons);
    resize(720, 420);
    refresh();
}

void RulesWindow::refresh() {
    const QSqlDatabase db = m_context->database();
    const int projectId = m_context->projectId();
    const auto stored = store::groups(db, projectId);
    if (!stored) {
        MessageBox::error(this, stored.error());
        return;
    }
    const auto rows = store::readStudentRows(db, projectId);
    QMap<int, QString> broken; // rule number -> the classes that break it
    if (rows) {
        const std::vector<StudentGroup> engineGroups = store::toEngineGroups(stored.value());
        for (const GroupViolation &violation : groupViolations(rows.value(), engineGroups)) {
            QStringList classes;
            for (const int classId : violation.classIds)
                classes.append(QStringLiteral("%1班").arg(classId));
            broken.insert(stored.value()[qsizetype(violation.group)].id,
                          QStringLiteral("违反: ") + classes.join(QStringLiteral("、")));
        }
    }
    m_rules->setRowCount(0);
    m_rules->setRowCount(int(stored.value().size()));
    for (int row = 0; row < m_rules->rowCount(); ++row) {
        const store::StoredGroup &group = stored.value()[row];
        QStringList members;
        for (const store::GroupMember &member : group.members)
            members.append(memberText(member));
        m_rules->setItem(row, 0, readOnlyItem(QString::number(group.id)));
        m_rules->setItem(row, 1, readOnlyItem(store::groupKindText(group.kind)));
        m_rules->setItem(row, 2, readOnlyItem(members.join(QStringLiteral("、"))));
        auto *state = readOnlyItem(broken.value(group.id, QStringLiteral("遵守")));
        if (broken.contains(group.id))
            state->setForeground(QColor(255, 0, 0));
        m_rules->setItem(row, 3, state);
    }
    fitColumnsToContent(m_rules);
    m_remove->setEnabled(m_rules->rowCount() > 0);
}

store::Result<QList<qint64>> RulesWindow::pickedStudents() const {
    using R = store::Result<QList<qint64>>;
    const QStringList words =
        m_students->text().split(QRegularExpression(QStringLiteral("[\\s,，、;；]+")), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return R::failure(QStringLiteral("请输入学生的学号或姓名"));
    const auto students = reports::allStudents(m_context->database(), m_context->projectId());
    if (!students)
        return R::failure(students.error());
    QList<qint64> picked;
    for (const QString &word : words) {
        bool isNumber = false;
        const qint64 number = word.toLongLong(&isNumber);
        if (isNumber) {
            picked.append(number); // an unknown number is named by the store
            continue;
        }
        QList<qint64> named;
        for (const store::StudentRecord &student : students.value())
            if (student.name.trimmed() == word)
                named.append(student.studentId);
        if (named.isEmpty())
            return R::failure(QStringLiteral("没有姓名为“%1”的学生").arg(word));
        if (named.size() > 1) {
            QStringList numbers;
            for (const qint64 id : named)
                numbers.append(QString::number(id));
            return R::failure(QStringLiteral("姓名为“%1”的学生有%2名(学号 %3)，请用学号")
                                  .arg(word)
                                  .arg(named.size())
                                  .arg(numbers.join(QStringLiteral("、"))));
        }
        picked.append(named.first());
    }
    return R::success(picked);
}

void RulesWindow::addRule() {
    const auto picked = pickedStudents();
    if (!picked) {
        MessageBox::information(this, picked.error());
        return;
    }
    const auto kind = StudentGroup::Kind(m_kind->currentData().toInt());
    const auto added = store::addGroup(m_context->database(), m_context->projectId(), kind, picked.value());
    if (!added) {
        MessageBox::information(this, added.error());
        return;
    }
    m_students->clear();
    refresh();
    emit rulesChanged();
}

void RulesWindow::removeRule() {
    const int row = m_rules->currentRow();
    if (row < 0 || !m_rules->item(row, 0)) {
        MessageBox::information(this, QStringLiteral("请选择要删除的规则"));
        return;
    }
    const int id = m_rules->item(row, 0)->text().toInt();
    if (!MessageBox::question(this, QStringLiteral("删除规则%1？").arg(id)))
        return;
    const store::Status removed = store::removeGroup(m_context->database(), m_context->projectId(), id);
    if (!removed) {
        MessageBox::error(this, removed.error());
        return;
    }
    refresh();
    emit rulesChanged();
}

} // namespace fenban::gui
