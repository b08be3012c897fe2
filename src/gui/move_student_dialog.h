#pragma once

#include "reports/move_preview.h"
#include "store/students.h"

#include <QDialog>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableWidget;

namespace fenban::gui {

class ProjectContext;

// Puts one student into another class, or exchanges two students of different classes, after showing
// what it does to the classes concerned (sizes, boys and girls, averages of the total and of a chosen
// subject) and which rules and homophones it would break. A rule broken is asked about once more.
class MoveStudentDialog : public QDialog {
    Q_OBJECT

public:
    // `student` is the one chosen in the list; `toClass` (when given) preselects the class, `swapWith`
    // (when given) the student to exchange with.
    MoveStudentDialog(std::shared_ptr<const ProjectContext> context, const store::StudentRecord &student,
                      QWidget *parent = nullptr);

    void chooseClass(int classId);
    void chooseSwapWith(qint64 studentId);

signals:
    // The classes were changed and written.
    void studentsMoved();

private:
    // The moves the dialog stands for now, or why there are none.
    store::Result<std::vector<reports::StudentMove>> moves() const;
    void updatePreview();
    void apply();

    std::shared_ptr<const ProjectContext> m_context;
    store::StudentRecord m_student;
    QRadioButton *m_moveChoice = nullptr;
    QRadioButton *m_swapChoice = nullptr;
    QComboBox *m_targetClass = nullptr;
    QLineEdit *m_swapWith = nullptr;
    QComboBox *m_measure = nullptr;
    QTableWidget *m_preview = nullptr;
    QLabel *m_conflicts = nullptr;
    QCheckBox *m_fix = nullptr;
    std::optional<reports::MovePreview> m_shown;
};

} // namespace fenban::gui
