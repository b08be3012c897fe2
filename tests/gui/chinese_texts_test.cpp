#include "gui/file_dialog.h"
#include "gui/message_box.h"
#include "gui/translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

using fenban::gui::FileDialog;
using fenban::gui::MessageBox;

// Qt's own texts and the program's icon, as the program sets them up at start.
class ChineseTextsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void confirmBoxShowsChineseButtons();
    void errorBoxUsesTheWarningIcon();
    void fileDialogShowsChineseCaptions();
    void windowsCarryTheProgramIcon();

private:
    // Runs `handle` on the modal window `show` opens, then closes that window if still open.
    template <typename Dialog>
    void withModal(const std::function<void()> &show, const std::function<void(Dialog *)> &handle);
};

void ChineseTextsTest::initTestCase() {
    QVERIFY(fenban::gui::installQtTranslations(*QCoreApplication::instance()));
    fenban::gui::installApplicationIcon();
}

void ChineseTextsTest::cleanup() {
    MessageBox::setScripted(false);
    FileDialog::setScripted(false);
}

template <typename Dialog>
void ChineseTextsTest::withModal(const std::function<void()> &show,
                                 const std::function<void(Dialog *)> &handle) {
    bool handled = false;
    QTimer::singleShot(0, this, [handle, &handled] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        const auto closeDialog = qScopeGuard([dialog] {
            if (dialog && dialog->isVisible())
                dialog->reject();
        });
        QVERIFY(dialog);
        handled = true;
        handle(dialog);
    });
    show();
    QVERIFY(handled);
}

void ChineseTextsTest::confirmBoxShowsChineseButtons() {
    MessageBox::setScripted(false);
    bool answer = true;
    withModal<QMessageBox>(
        [&answer] { answer = MessageBox::confirm(nullptr, QStringLiteral("删除这个分班?")); },
        [](QMessageBox *box) {
            QVERIFY(box->button(QMessageBox::Ok));
            QVERIFY(box->button(QMessageBox::Cancel));
            QCOMPARE(box->button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
            QCOMPARE(box->button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
            QTest::mouseClick(box->button(QMessageBox::Cancel), Qt::LeftButton);
        });
    QVERIFY(!answer);
}

void ChineseTextsTest::errorBoxUsesTheWarningIcon() {
    MessageBox::setScripted(false);
    withModal<QMessageBox>([] { MessageBox::error(nullptr, QStringLiteral("文件不存在")); },
                           [](QMessageBox *box) {
                               QCOMPARE(box->icon(), QMessageBox::Warning);
                               QCOMPARE(box->windowTitle(), QStringLiteral("错误"));
                               QCOMPARE(box->text(), QStringLiteral("文件不存在"));
                               QVERIFY(box->button(QMessageBox::Ok));
                               QCOMPARE(box->button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
                               QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
                           });
}

void ChineseTextsTest::fileDialogShowsChineseCaptions() {
    FileDialog::setScripted(false);
    MessageBox::setScripted(true);
    withModal<QFileDialog>(
        [] {
            FileDialog::openFileName(nullptr, QStringLiteral("导入"), QStringLiteral("表格 (*.xls *.xlsx)"));
        },
        [](QFileDialog *dialog) {
            auto *buttons = dialog->findChild<QDialogButtonBox *>();
            QVERIFY(buttons);
            QVERIFY(buttons->button(QDialogButtonBox::Open));
            QVERIFY(buttons->button(QDialogButtonBox::Cancel));
            QCOMPARE(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("打开(&O)"));
            QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
            // The labels beside the folder, name and type fields.
            QStringList labels;
            for (const QLabel *label : dialog->findChildren<QLabel *>())
                if (!label->text().isEmpty())
                    labels.append(label->text());
            QVERIFY2(labels.contains(QStringLiteral("文件名称(&N)：")), qPrintable(labels.join(u'|')));
            QVERIFY2(labels.contains(QStringLiteral("查找范围：")), qPrintable(labels.join(u'|')));
        });
}

void ChineseTextsTest::windowsCarryTheProgramIcon() {
    const QIcon icon = QApplication::windowIcon();
    QVERIFY(!icon.isNull());
    // The fixed sizes are there whether or not Qt can draw SVG: desktops and the Windows taskbar pick
    // from them.
    const QList<QSize> sizes = icon.availableSizes();
    for (const int side : {16, 32, 48, 64, 128, 256})
        QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
    for (const int side : {16, 48, 256})
        QCOMPARE(icon.pixmap(side, side).width(), side);
    // Past the largest PNG only a drawing of the SVG is sharp; without one the largest PNG serves.
    const bool scalable =
        QIcon(QStringLiteral(":/icons/fenban.svg")).actualSize(QSize(512, 512)).width() == 512;
    QCOMPARE(icon.pixmap(512, 512).width(), scalable ? 512 : 256);
    const QImage image = icon.pixmap(48, 48).toImage();
    QVERIFY(!image.isNull());
    QCOMPARE(image.width(), 48);
    // Not blank: the middle of the middle class is coloured.
    QVERIFY(qAlpha(image.pixel(24, 10)) > 0);
    QWidget window;
    QCOMPARE(window.windowIcon().cacheKey(), icon.cacheKey());
}

QTEST_MAIN(ChineseTextsTest)
#include "chinese_texts_test.moc"
