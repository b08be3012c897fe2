#pragma once

#include "store/settings.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace fenban::gui {

// The settings window: shows and edits the balance rules of the current project.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    SettingsWindow(QSqlDatabase db, int projectId, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *subjectPage();
    QWidget *balancePage();
    QWidget *tuningPage();
    void FormShow();
    void BitBtn1Click();
    void closeWindow();

    store::SettingsStore m_settings;
    int m_projectId;
    bool m_loaded = false;

    QCheckBox *cb_person = nullptr;
    QCheckBox *cb_total = nullptr;
    QCheckBox *cb_ch = nullptr;
    QCheckBox *cb_math = nullptr;
    QCheckBox *cb_eng = nullptr;
    QCheckBox *cb_inter = nullptr;
    QCheckBox *cb_man = nullptr;
    QLineEdit *edInter = nullptr;
    QLineEdit *edWTNum = nullptr;
};

} // namespace fenban::gui
