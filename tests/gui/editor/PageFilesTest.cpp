// The page's file and print commands, as a user reaches them.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "editor/PageFileCommands.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfReader.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QString TextFilter = QStringLiteral("Plain Text files (*.txt)");
const QString RtfFilter = QStringLiteral("Rich Text Format files (*.rtf)");

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Books A and B and the trash; A is shown. Fixtures live in a folder named 日本語.
class PageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        MessageBox::clearAnswers();
        MessageBox::setAutoAnswer(QMessageBox::Ok);
        FileDialog::clearNextFileNames();
        FillBooks(form, {QStringLiteral("A"), QStringLiteral("B")});
        form.GoToItem(form.Outline->topLevel(0)->item());
        ASSERT_TRUE(QDir().mkpath(dir));
        savedPrint = TPageFileCommands::ExecPrintDialog;
        savedSetup = TPageFileCommands::ExecPageSetupDialog;
        boxesBefore = MessageBox::count();
    }
    void TearDown() override {
        TPageFileCommands::ExecPrintDialog = savedPrint;
        TPageFileCommands::ExecPageSetupDialog = savedSetup;
        MessageBox::clearAnswers();
        MessageBox::setAutoAnswer(QMessageBox::Ok);
        FileDialog::clearNextFileNames();
    }

    int boxes() const { return MessageBox::count() - boxesBefore; }
    QString file(const QString& name) const { return dir + QLatin1Char('/') + name; }
    void run(const char* name) { form.Commands->trigger(QString::fromLatin1(name)); }
    QString page() const { return form.RichEdit->toPlainText(); }
    // The page holds text with the caret at pos.
    void setPage(const QString& text, int pos) {
        form.RichEdit->setPlainText(text);
        QTextCursor c = form.RichEdit->textCursor();
        c.setPosition(pos);
        form.RichEdit->setTextCursor(c);
        form.RichEdit->document()->setModified(false);
    }
    void save(const QString& chosen, const QString& filter) {
        FileDialog::setNextFileName(chosen, filter);
        run("ItemSavePage");
    }
    void insert(const QStringList& files) {
        FileDialog::setNextFileNames(files);
        run("ItemLoadFileContent");
    }

    TestHome home;
    TFormMain form;
    const QString dir = home.file(QStringLiteral("日本語"));
    std::function<bool(QPrinter&, QWidget*)> savedPrint, savedSetup;
    int boxesBefore = 0;
};

TEST_F(PageFiles, SavesTextAsCp932WithCrLfUnderTheNameOfTheItem) {
    form.EditTitle->setText(QStringLiteral("議事録/第1回:案"));
    form.StorePage();
    setPage(QStringLiteral("一行目\n二行目 ＡＢＣ"), 0);
    save(file(QStringLiteral("議事録")), TextFilter);
    EXPECT_TRUE(FileDialog::lastDir().endsWith(QStringLiteral("/議事録_第1回_案")))
        << FileDialog::lastDir().toStdString();
    EXPECT_EQ(FileDialog::lastFilter(), TextFilter + QStringLiteral(";;") + RtfFilter);
    EXPECT_EQ(readBytes(file(QStringLiteral("議事録.txt"))), Sjis("一行目\r\n二行目 ＡＢＣ"));
    EXPECT_EQ(boxes(), 0);
}

TEST_F(PageFiles, TheFilterDecidesTheExtensionAfterAFourCharacterOneIsCut) {
    setPage(QStringLiteral("x"), 0);
    save(file(QStringLiteral("メモ.rtf")), TextFilter);
    EXPECT_EQ(readBytes(file(QStringLiteral("メモ.txt"))), QByteArray("x"));
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("メモ.rtf"))));
    // ".html" is not a four-character extension: it stays and ".txt" follows.
    save(file(QStringLiteral("頁.html")), TextFilter);
    EXPECT_TRUE(QFileInfo::exists(file(QStringLiteral("頁.html.txt"))));
}

TEST_F(PageFiles, SavesRtfThatReadsBackWithItsFormattingEvenFromAPlainPage) {
    setPage(QStringLiteral("普通"), 2);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCursor c = form.RichEdit->textCursor();
    c.insertText(QStringLiteral("太字"), bold);
    form.SetPageRich(false);
    save(file(QStringLiteral("書式")), RtfFilter);

    QTextDocument back;
    ASSERT_TRUE(Rtf::load(readBytes(file(QStringLiteral("書式.rtf"))), back).ok);
    EXPECT_EQ(back.toPlainText(), QStringLiteral("普通太字"));
    QTextCursor at(&back);
    at.setPosition(1);
    EXPECT_NE(at.charFormat().fontWeight(), QFont::Bold);
    at.setPosition(3);
    EXPECT_EQ(at.charFormat().fontWeight(), QFont::Bold);
}

TEST_F(PageFiles, CharactersCp932LacksAreReportedWhenSavedAsText) {
    setPage(QStringLiteral("café"), 0);
    save(file(QStringLiteral("喫茶")), TextFilter);
    EXPECT_EQ(readBytes(file(QStringLiteral("喫茶.txt"))), QByteArray("caf?"));
    EXPECT_TRUE(form.statusPanel(0)->text().contains(QStringLiteral("「?」")));
}

TEST_F(PageFiles, AnExistingFileTheDialogDidNotNameIsOverwrittenOnlyWhenConfirmed) {
    writeBytes(file(QStringLiteral("既存.txt")), "old");
    setPage(QStringLiteral("new"), 0);
    MessageBox::setNextAnswer(QMessageBox::No);
    save(file(QStringLiteral("既存")), TextFilter);
    EXPECT_EQ(readBytes(file(QStringLiteral("既存.txt"))), QByteArray("old"));
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("上書き")));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    save(file(QStringLiteral("既存")), TextFilter);
    EXPECT_EQ(readBytes(file(QStringLiteral("既存.txt"))), QByteArray("new"));
}

TEST_F(PageFiles, AFailingSaveTargetIsReportedAndNothingHalfWrittenStays) {
    setPage(QStringLiteral("本文"), 0);
    const int before = MessageBox::count();
    save(file(QStringLiteral("無い/頁")), TextFilter);
    EXPECT_EQ(MessageBox::count(), before + 1);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("保存できませんでした")));
    EXPECT_FALSE(form.statusPanel(0)->text().contains(QStringLiteral("保存しました")));

    // A folder in the way: it stays a folder, and no temporary file is left.
    ASSERT_TRUE(QDir().mkpath(file(QStringLiteral("塞ぐ.txt"))));
    save(file(QStringLiteral("塞ぐ.txt")), TextFilter);
    EXPECT_EQ(MessageBox::count(), before + 2);
    EXPECT_TRUE(QFileInfo(file(QStringLiteral("塞ぐ.txt"))).isDir());
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(PageFiles, InsertsCp932TextAtTheCaretReplacingTheSelectionAsOneUndoStep) {
    writeBytes(file(QStringLiteral("本文.txt")), Sjis("日本\r\n語\rです"));
    setPage(QStringLiteral("AxB"), 1);
    form.SetPageRich(false);
    QTextCursor c = form.RichEdit->textCursor();
    c.setPosition(2, QTextCursor::KeepAnchor);
    form.RichEdit->setTextCursor(c);
    insert({file(QStringLiteral("本文.txt"))});
    EXPECT_EQ(page(), QStringLiteral("A日本\n語\nですB"));
    EXPECT_EQ(form.RichEdit->textCursor().position(), 8);
    EXPECT_FALSE(form.PageIsRich());
    EXPECT_TRUE(form.RichEdit->document()->isModified());
    form.RichEdit->undo();
    EXPECT_EQ(page(), QStringLiteral("AxB"));
}

TEST_F(PageFiles, InsertsUtf8AfterAByteOrderMarkAndSeveralFilesInTheirOrder) {
    writeBytes(file(QStringLiteral("一.txt")), QByteArray("\xEF\xBB\xBF") + "caf\xC3\xA9 ");
    writeBytes(file(QStringLiteral("二.txt")), Sjis("二番"));
    setPage(QString(), 0);
    insert({file(QStringLiteral("一.txt")), file(QStringLiteral("二.txt"))});
    EXPECT_EQ(page(), QStringLiteral("café 二番"));
}

TEST_F(PageFiles, InsertsRtfWithItsFormattingAndTurnsThePageRich) {
    writeBytes(file(QStringLiteral("書式.rtf")),
               "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS Gothic;}}"
               "\\f0 {\\b \\'91\\'be}plain}");
    setPage(QStringLiteral("[]"), 1);
    form.SetPageRich(false);
    insert({file(QStringLiteral("書式.rtf"))});
    EXPECT_EQ(page(), QStringLiteral("[太plain]"));
    EXPECT_TRUE(form.PageIsRich());
    QTextCursor at(form.RichEdit->document());
    at.setPosition(2);
    EXPECT_EQ(at.charFormat().fontWeight(), QFont::Bold);
    at.setPosition(4);
    EXPECT_NE(at.charFormat().fontWeight(), QFont::Bold);
}

TEST_F(PageFiles, BadFilesAreRefusedWithAMessageAndThePageStaysAsItWas) {
    writeBytes(file(QStringLiteral("良い.txt")), "good");
    writeBytes(file(QStringLiteral("バイナリ.txt")), QByteArray("ab\0cd", 5));
    writeBytes(file(QStringLiteral("utf8.txt")), "\xEF\xBB\xBF\xFF\xFE");
    writeBytes(file(QStringLiteral("偽.rtf")), "not rtf");
    writeBytes(file(QStringLiteral("壊れ.rtf")), "{\\rtf1\\ansi {\\b unclosed");
    ASSERT_TRUE(QDir().mkpath(file(QStringLiteral("フォルダ.txt"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(file(QStringLiteral("パイプ.txt"))).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), file(QStringLiteral("デバイス.txt"))));
    {
        QFile big(file(QStringLiteral("巨大.txt")));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(TPageFileCommands::MaxInsertSize + 1));
    }
    struct Case {
        const char* name;
        const char* says;
    };
    const Case cases[] = {
        {"バイナリ.txt", "テキストファイルではありません"},
        {"utf8.txt", "UTF-8"},
        {"偽.rtf", "RTF 形式"},
        {"壊れ.rtf", "RTF を読み込めません"},
        {"フォルダ.txt", "フォルダ"},
        {"パイプ.txt", "通常のファイルではありません"},
        {"デバイス.txt", "通常のファイルではありません"},
        {"巨大.txt", "64 MiB"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        setPage(QStringLiteral("元のページ"), 2);
        const int before = MessageBox::count();
        const QString bad = file(QString::fromUtf8(k.name));
        // The good file before it is not inserted either.
        insert({file(QStringLiteral("良い.txt")), bad});
        EXPECT_EQ(MessageBox::count(), before + 1);
        EXPECT_TRUE(MessageBox::lastText().contains(QString::fromUtf8(k.says)))
            << MessageBox::lastText().toStdString();
        EXPECT_TRUE(MessageBox::lastText().contains(bad));
        EXPECT_EQ(page(), QStringLiteral("元のページ"));
        EXPECT_FALSE(form.RichEdit->document()->isModified());
    }
}

TEST_F(PageFiles, AFileOfExactlyTheLimitIsJudgedByItsContentNotItsSize) {
    {
        QFile big(file(QStringLiteral("上限.txt")));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(TPageFileCommands::MaxInsertSize));
    }
    setPage(QStringLiteral("p"), 0);
    insert({file(QStringLiteral("上限.txt"))});
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("NUL")));
    EXPECT_EQ(page(), QStringLiteral("p"));
}

TEST_F(PageFiles, AMissingFileOrACancelledDialogDoesNothing) {
    setPage(QStringLiteral("p"), 0);
    const int before = MessageBox::count();
    insert({file(QStringLiteral("無い.txt"))});
    insert({});
    EXPECT_EQ(page(), QStringLiteral("p"));
    EXPECT_EQ(MessageBox::count(), before);
    EXPECT_FALSE(form.RichEdit->document()->isModified());
}

TEST_F(PageFiles, InsertingNeedsAnItemToKeepTheText) {
    EXPECT_TRUE(form.Commands->action(QStringLiteral("ItemLoadFileContent"))->isEnabled());
    form.GoToItem(nullptr);
    form.Commands->updateStates();
    EXPECT_FALSE(form.Commands->action(QStringLiteral("ItemLoadFileContent"))->isEnabled());
}

TEST_F(PageFiles, PrintsToAPdfFileNamedAfterTheTitleWithPageSetupKept) {
    form.EditTitle->setText(QStringLiteral("印刷する頁"));
    setPage(QStringLiteral("印刷の本文\n二行目"), 0);
    const QString pdf = file(QStringLiteral("出力.pdf"));
    TPageFileCommands::ExecPageSetupDialog = [](QPrinter& p, QWidget*) {
        p.setPageOrientation(QPageLayout::Landscape);
        return true;
    };
    QString offered;
    bool landscape = false;
    TPageFileCommands::ExecPrintDialog = [&](QPrinter& p, QWidget*) {
        offered = p.outputFileName();
        landscape = p.pageLayout().orientation() == QPageLayout::Landscape;
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return true;
    };
    run("ItemPrinterSetUp");
    run("ItemPrint");
    const QByteArray bytes = readBytes(pdf);
    EXPECT_TRUE(bytes.startsWith("%PDF")) << bytes.left(20).toStdString();
    EXPECT_GT(bytes.size(), 200);
    EXPECT_TRUE(landscape);
    // With no printer installed the dialog offers a PDF named after the page.
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        EXPECT_TRUE(offered.endsWith(QStringLiteral("/印刷する頁.pdf"))) << offered.toStdString();
    }
    EXPECT_EQ(TPageFileCommands::of(form)->printer().docName(), QStringLiteral("印刷する頁"));
    EXPECT_EQ(boxes(), 0);
}

TEST_F(PageFiles, ACancelledPrintWritesNothingAndAFailedOneIsReported) {
    setPage(QStringLiteral("本文"), 0);
    const QString pdf = file(QStringLiteral("取消.pdf"));
    bool ok = false;
    TPageFileCommands::ExecPrintDialog = [&](QPrinter& p, QWidget*) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return ok;
    };
    run("ItemPrint");
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_EQ(boxes(), 0);

    ok = true;
    const QString unreachable = file(QStringLiteral("無い/出力.pdf"));
    TPageFileCommands::ExecPrintDialog = [&](QPrinter& p, QWidget*) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(unreachable);
        return true;
    };
    run("ItemPrint");
    EXPECT_EQ(boxes(), 1);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("印刷できませんでした")));
}

} // namespace
