#include "gui/move_student_dialog.h"

#include "engine/subject.h"
#include "gui/message_box.h"
#include "gui/project_context.h"
#include "reports/history_summary.h"
#include "store/adjustments.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace fenban::gui {

namespace {

QString change(int before, int after) {
    return before == after ? QString::number(after) : QStringLiteral("%1 → %2").arg(before).arg(after);
}

QString change(double before, double after) {
    const QString from = QString::number(before, 'f', 2);
    const QString to = QString::number(after, 'f', 2);
    return from == to ? to : QStringLiteral("%1 → %2").arg(from, to);
}

QString measureLabel(std::size_t measure) {
    const std::string_view label = measure < subjectCount ? subjects[measure].label : totalLabel;
    return QString::fromUtf8(label.data(), qsizetype(label.size()));
}

} // namespace

MoveStudentDialog::MoveStudentDialog(std::shared_ptr<const ProjectContext> context,
                                     const store::StudentRecord &student, QWidget *parent)
    : QDialog(parent), m_context(std::move(context)), m_student(student) {
    setObjectName(QStringLiteral("dlgMoveStudent"));
    setWindowTitle(QStringLiteral("调整学生"));

    auto *who = new QLabel(QStringLiteral("%1 %2（%3，现在%4）")
                               .arg(student.studentId)
                               .arg(student.name, student.sex,
                                    student.classId > 0 ? QStringLiteral("%1班").arg(student.classId)
                                                        : QStringLiteral("未分班")),
                           this);
    who->setObjectName(QStringLiteral("lbMovedStudent"));

    m_moveChoice = new QRadioButton(QStringLiteral("调到"), this);
    m_moveChoice->setObjectName(QStringLiteral("rbMove"));
    m_moveChoice->setChecked(true);
    m_targetClass = new QComboBox(this);
    m_targetClass->setObjectName(QStringLiteral("cbTargetClass"));
    const int classCount = m_context->project() ? m_context->project()->classes : 0;
    for (int classId = 1; classId <= classCount; ++classId)
        if (classId != student.classId)
            m_targetClass->addItem(QStringLiteral("%1班").arg(classId), classId);
    m_swapChoice = new QRadioButton(QStringLiteral("与学号为"), this);
    m_swapChoice->setObjectName(QStringLiteral("rbSwap"));
    m_swapWith = new QLineEdit(this);
    m_swapWith->setObjectName(QStringLiteral("edtSwapWith"));
    m_swapWith->setPlaceholderText(QStringLiteral("学号"));
    m_measure = new QComboBox(this);
    m_measure->setObjectName(QStringLiteral("cbPreviewSubject"));
    for (std::size_t measure = 0; measure <= subjectCount; ++measure)
        m_measure->addItem(measureLabel(measure), int(measure));
    m_measure->setCurrentIndex(int(subjectCount));

    m_preview = new QTableWidget(0, 6, this);
    m_preview->setObjectName(QStringLiteral("sgMovePreview"));
    m_preview->verticalHeader()->hide();
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setSelectionMode(QAbstractItemView::NoSelection);
    m_preview->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_conflicts = new QLabel(this);
    m_conflicts->setObjectName(QStringLiteral("lbMoveConflicts"));
    m_conflicts->setWordWrap(true);
    m_fix = new QCheckBox(QStringLiteral("固定在新班级（以后分班时不再移动）"), this);
    m_fix->setObjectName(QStringLiteral("cbFixMoved"));
    m_fix->setChecked(true);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("调整"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnApplyMove"));
    QPushButton *cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancelMove"));
    connect(ok, &QPushButton::clicked, this, &MoveStudentDialog::apply);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *moveRow = new QHBoxLayout;
    moveRow->addWidget(m_moveChoice);
    moveRow->addWidget(m_targetClass);
    moveRow->addStretch();
    auto *swapRow = new QHBoxLayout;
    swapRow->addWidget(m_swapChoice);
    swapRow->addWidget(m_swapWith);
    swapRow->addWidget(new QLabel(QStringLiteral("的学生交换班级"), this));
    swapRow->addStretch();
    auto *measureRow = new QHBoxLayout;
    measureRow->addWidget(new QLabel(QStringLiteral("比较科目"), this));
    measureRow->addWidget(m_measure);
    measureRow->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(who);
    layout->addLayout(moveRow);
    layout->addLayout(swapRow);
    layout->addLayout(measureRow);
    layout->addWidget(m_preview, 1);
    layout->addWidget(m_conflicts);
    layout->addWidget(m_fix);
    layout->addWidget(buttons);
    resize(620, 380);

    connect(m_moveChoice, &QRadioButton::toggled, this, &MoveStudentDialog::updatePreview);
    connect(m_targetClass, &QComboBox::currentIndexChanged, this, [this] {
        m_moveChoice->setChecked(true);
        updatePreview();
    });
    connect(m_swapWith, &QLineEdit::textEdited, this, [this] {
        m_swapChoice->setChecked(true);
        updatePreview();
    });
    connect(m_measure, &QComboBox::currentIndexChanged, this, &MoveStudentDialog::updatePreview);
    updatePreview();
}

void MoveStudentDialog::chooseClass(int classId) {
    const int index = m_targetClass->findData(classId);
    if (index >= 0)
        m_targetClass->setCurrentIndex(index);
    m_moveChoice->setChecked(true);
    updatePreview();
}

void MoveStudentDialog::chooseSwapWith(qint64 studentId) {
    m_swapWith->setText(QString::number(studentId));
    m_swapChoice->setChecked(true);
    updatePreview();
}

store::Result<std::vector<reports::StudentMove>> MoveStudentDialog::moves() const {
    using R = store::Result<std::vector<reports::StudentMove>>;
    if (m_moveChoice->isChecked()) {
        if (m_targetClass->currentIndex() < 0)
            return R::failure(QStringLiteral("没有可以调入的班级"));
        return R::success({{m_student.studentId, m_targetClass->currentData().toInt()}});
    }
    bool isNumber = false;
    const qint64 other = m_swapWith->text().trimmed().toLongLong(&isNumber);
    if (!isNumber)
        return R::failure(QStringLiteral("请输入要交换的学生的学号"));
    const auto students = store::StudentStore(m_context->database()).byClass(m_context->projectId());
    if (!students)
        return R::failure(students.error());
    for (const store::StudentRecord &student : students.value()) {
        if (student.studentId != other)
            continue;
        if (student.studentId == m_student.studentId || student.classId == m_student.classId)
            return R::failure(QStringLiteral("两名学生在同一个班: %1 %2").arg(other).arg(student.name));
        if (student.classId <= 0)
            return R::failure(QStringLiteral("学生未分班: %1 %2").arg(other).arg(student.name));
        return R::success({{m_student.studentId, student.classId}, {other, m_student.classId}});
    }
    return R::failure(QStringLiteral("学号不存在: %1").arg(other));
}

void MoveStudentDialog::updatePreview() {
    m_shown.reset();
    const std::size_t measure = std::size_t(m_measure->currentData().toInt());
    m_preview->setHorizontalHeaderLabels(
        {QStringLiteral("班级"), QStringLiteral("人数"), QStringLiteral("男生"), QStringLiteral("女生"),
         QStringLiteral("总分平均分"), measureLabel(measure) + QStringLiteral("平均分")});
    m_preview->setRowCount(0);
    const auto planned = moves();
    if (!planned) {
        m_conflicts->setStyleSheet(QString());
        m_conflicts->setText(planned.error());
        return;
    }
    const auto preview =
        reports::loadMovePreview(m_context->database(), m_context->projectId(), planned.value(), measure);
    if (!preview) {
        m_conflicts->setStyleSheet(QString());
        m_conflicts->setText(preview.error());
        return;
    }
    m_shown = preview.value();
    m_preview->setRowCount(int(m_shown->classes.size()));
    for (int row = 0; row < m_preview->rowCount(); ++row) {
        const reports::ClassChange &classChange = m_shown->classes[std::size_t(row)];
        const QStringList cells{QStringLiteral("%1班").arg(classChange.classId),
                                change(classChange.before.size, classChange.after.size),
                                change(classChange.before.boys, classChange.after.boys),
                                change(classChange.before.girls, classChange.after.girls),
                                change(classChange.before.totalMean, classChange.after.totalMean),
                                change(classChange.before.subjectMean, classChange.after.subjectMean)};
        for (int column = 0; column < cells.size(); ++column)
            m_preview->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    if (m_shown->hasConflicts()) {
        m_conflicts->setStyleSheet(QStringLiteral("color: red"));
        m_conflicts->setText(m_shown->conflicts().join(u'\n'));
    } else {
        m_conflicts->setStyleSheet(QString());
        m_conflicts->setText(QStringLiteral("不违反任何规则，没有同音姓名"));
    }
}

void MoveStudentDialog::apply() {
    const auto planned = moves();
    if (!planned || !m_shown) {
        MessageBox::information(this, planned ? m_conflicts->text() : planned.error());
        return;
    }
    if (m_shown->hasConflicts() &&
        !MessageBox::question(
            this, QStringLiteral("这次调整会：\n%1\n是否仍然调整？").arg(m_shown->conflicts().join(u'\n'))))
        return;
    const QSqlDatabase db = m_context->database();
    const int projectId = m_context->projectId();
    const bool fix = m_fix->isChecked();
    const store::Status written =
        planned.value().size() == 1
            ? store::moveStudent(db, projectId, m_student.studentId, planned.value().front().toClass, fix,
                                 reports::historySummary)
            : store::swapStudents(db, projectId, m_student.studentId, planned.value().back().studentId, fix,
                                  reports::historySummary);
    if (!written) {
        MessageBox::error(this, written.error());
        return;
    }
    emit studentsMoved();
    accept();
}

} // namespace fenban::gui
