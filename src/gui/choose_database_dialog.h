#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QListWidget;

namespace fenban::gui {

// 切换数据库: a database file (typed or browsed to) or a PostgreSQL server address, with the
// databases opened last to pick from. It only chooses; the main window opens what was chosen.
class ChooseDatabaseDialog : public QDialog {
    Q_OBJECT

public:
    explicit ChooseDatabaseDialog(const QString &current, QWidget *parent = nullptr);

    // The file path or server address as typed or picked, trimmed.
    QString location() const;

private:
    void browse();
    void confirm();

    QLineEdit *m_location = nullptr;
    QListWidget *m_recent = nullptr;
};

} // namespace fenban::gui
