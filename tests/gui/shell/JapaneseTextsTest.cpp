#include "TestSupport.h"

#include "common/FileError.h"
#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "shell/WrenApplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>

#include <gtest/gtest.h>

namespace {

QStringList buttonTexts(QMessageBox& box) {
    QStringList out;
    for (QAbstractButton* b : box.buttons())
        if (box.standardButton(b) != QMessageBox::NoButton)
            out << b->text();
    out.sort();
    return out;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

// The labels of the next file dialog, read while it is open and then closed.
QStringList labelsOfNextDialog() {
    QStringList labels;
    QTimer::singleShot(0, [&labels] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        for (auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType,
                           QFileDialog::Accept, QFileDialog::Reject})
            labels << dialog->labelText(label);
        dialog->reject();
    });
    return labels;
}

} // namespace

TEST(JapaneseTexts, MessageBoxButtonsReadInJapanese) {
    const auto box = MessageBox::create(QMessageBox::Question, nullptr, QStringLiteral("WrenNOTE"),
                                        QStringLiteral("保存しますか？"),
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                        QMessageBox::Yes);
    EXPECT_EQ(buttonTexts(*box),
              sorted(QStringList{QStringLiteral("いいえ(&N)"), QStringLiteral("キャンセル"),
                                 QStringLiteral("はい(&Y)")}));
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Yes));
    const auto ok = MessageBox::create(QMessageBox::Information, nullptr, QString(), QString(),
                                       QMessageBox::Ok | QMessageBox::Close, QMessageBox::NoButton);
    EXPECT_EQ(buttonTexts(*ok),
              sorted(QStringList{QStringLiteral("OK"), QStringLiteral("閉じる(&C)")}));
}

TEST(JapaneseTexts, TheSystemsTextGoesIntoTheDetailsPart) {
    const QString message =
        QStringLiteral("ファイル「a.wrn」を開けませんでした。\n") + FileError::SystemText(EACCES);
    const auto box = MessageBox::create(QMessageBox::Critical, nullptr, QString(), message,
                                        QMessageBox::Ok, QMessageBox::NoButton);
    EXPECT_EQ(box->text(),
              QStringLiteral("ファイル「a.wrn」を開けませんでした。\nアクセスが拒否されました。"));
    EXPECT_EQ(box->detailedText(), qt_error_string(EACCES));
    const auto plain =
        MessageBox::create(QMessageBox::Critical, nullptr, QString(), QStringLiteral("本文"),
                           QMessageBox::Ok, QMessageBox::NoButton);
    EXPECT_TRUE(plain->detailedText().isEmpty());
}

TEST(JapaneseTexts, EveryBoxRunsTheHookFirstEvenWhenAnswered) {
    int runs = 0;
    MessageBox::setBeforeShow([&runs] { ++runs; });
    MessageBox::setNextAnswer(QMessageBox::No);
    EXPECT_EQ(MessageBox::question(nullptr, QString(), QStringLiteral("?")), QMessageBox::No);
    MessageBox::setBeforeShow(nullptr);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    MessageBox::information(nullptr, QString(), QStringLiteral("!"));
    EXPECT_EQ(runs, 1);
}

TEST(JapaneseTexts, QtsOwnTextsComeFromItsJapaneseTranslation) {
    ASSERT_TRUE(TWrenApplication::LoadQtTranslations())
        << "qtbase_ja is missing; scripts/deps.sh installs qt6-translations-l10n";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
              QStringLiteral("キャンセル"));
    // Qt's labels stay (they follow what is selected); ours are not forced.
    const QStringList labels = labelsOfNextDialog();
    FileDialog::getOpenFileName(nullptr, QStringLiteral("開く"), QDir::tempPath());
    ASSERT_EQ(labels.size(), 5);
    EXPECT_NE(labels.at(1), QStringLiteral("File &name:"));
}

TEST(JapaneseTexts, AMissingOrBrokenTranslationLeavesOurOwnLabels) {
    QTemporaryDir empty;
    EXPECT_FALSE(TWrenApplication::LoadQtTranslations(empty.path()));
    QFile broken(empty.filePath(QStringLiteral("qtbase_ja.qm")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("this is no translation file");
    broken.close();
    EXPECT_FALSE(TWrenApplication::LoadQtTranslations(empty.path()));

    const QStringList labels = labelsOfNextDialog();
    EXPECT_TRUE(
        FileDialog::getSaveFileName(nullptr, QStringLiteral("保存"), QDir::tempPath()).isEmpty());
    EXPECT_EQ(labels, (QStringList{QStringLiteral("場所:"), QStringLiteral("ファイル名:"),
                                   QStringLiteral("ファイルの種類:"), QStringLiteral("保存(&S)"),
                                   QStringLiteral("キャンセル")}));
    TWrenApplication::LoadQtTranslations();
}
