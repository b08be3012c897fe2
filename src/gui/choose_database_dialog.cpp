#include "gui/choose_database_dialog.h"

#include "gui/file_dialog.h"
#include "gui/message_box.h"
#include "gui/window_memory.h"
#include "store/location.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace fenban::gui {

ChooseDatabaseDialog::ChooseDatabaseDialog(const QString &current, QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgChooseDatabase"));
    setWindowTitle(QStringLiteral("切换数据库"));

    auto *hint = new QLabel(QStringLiteral("数据库文件，或数据库服务器地址 "
                                           "(postgresql://用户名@服务器:端口/数据库名):"),
                            this);
    hint->setWordWrap(true);
    m_location = new QLineEdit(current, this);
    m_location->setObjectName(QStringLiteral("edtDatabase"));
    m_location->setPlaceholderText(QStringLiteral("postgresql://user@host:5432/dbname"));
    auto *browseButton = new QPushButton(QStringLiteral("浏览…"), this);
    browseButton->setObjectName(QStringLiteral("btnBrowseDatabase"));
    auto *row = new QHBoxLayout;
    row->addWidget(m_location, 1);
    row->addWidget(browseButton);

    auto *recentLabel = new QLabel(QStringLiteral("最近使用的数据库:"), this);
    m_recent = new QListWidget(this);
    m_recent->setObjectName(QStringLiteral("lstRecentDatabases"));
    for (const QString &location : recentDatabases())
        m_recent->addItem(store::shownLocation(location));

    auto *openButton = new QPushButton(QStringLiteral("打开"), this);
    openButton->setObjectName(QStringLiteral("btnOpenDatabase"));
    openButton->setDefault(true);
    auto *cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("btnCancelDatabase"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(openButton);
    buttons->addWidget(cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(row);
    layout->addWidget(recentLabel);
    layout->addWidget(m_recent, 1);
    layout->addLayout(buttons);
    resize(560, 340);

    connect(browseButton, &QPushButton::clicked, this, &ChooseDatabaseDialog::browse);
    connect(m_recent, &QListWidget::currentTextChanged, m_location, &QLineEdit::setText);
    connect(m_recent, &QListWidget::itemDoubleClicked, this, &ChooseDatabaseDialog::confirm);
    connect(openButton, &QPushButton::clicked, this, &ChooseDatabaseDialog::confirm);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QString ChooseDatabaseDialog::location() const {
    return m_location->text().trimmed();
}

void ChooseDatabaseDialog::browse() {
    const QString path = FileDialog::openFileName(this, QStringLiteral("选择数据库文件"),
                                                  QStringLiteral("分班数据库 (*.db);;所有文件 (*)"));
    if (!path.isEmpty())
        m_location->setText(QDir::toNativeSeparators(path));
}

void ChooseDatabaseDialog::confirm() {
    if (location().isEmpty()) {
        MessageBox::information(this, QStringLiteral("请输入数据库文件或数据库服务器地址"));
        return;
    }
    accept();
}

} // namespace fenban::gui
