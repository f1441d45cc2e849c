// Pictures in pages: pasted and dropped PNG and JPEG data kept byte for
// byte through a save, large ones shown smaller, too large ones refused.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "dialogs/MessageBox.h"
#include "editor/PageFileCommands.h"
#include "editor/PagePictures.h"
#include "editor/RichEditLink.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage picture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    for (int x = 0; x < qMin(w, h); ++x)
        image.setPixel(x, x, qRgb(255, 255, 0));
    return image;
}

QList<QTextImageFormat> images(const QTextDocument& doc) {
    QList<QTextImageFormat> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                out.append(it.fragment().charFormat().toImageFormat());
    return out;
}

QImage shown(const QTextDocument& doc, const QTextImageFormat& f) {
    return doc.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
}

class PagePicturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        MessageBox::clearAnswers();
        MessageBox::setAutoAnswer(QMessageBox::Ok);
        FillBooks(form, {QStringLiteral("A"), QStringLiteral("B")});
        A = form.Outline->topLevel(0)->item();
        B = form.Outline->topLevel(1)->item();
        page = qobject_cast<TRichEditLink*>(form.RichEdit);
        form.resize(800, 600);
        form.GoToItem(A);
        // A plain page, to see that a picture makes it rich.
        form.SetPageRich(false);
        shownBefore = MessageBox::count();
    }
    int messages() const { return MessageBox::count() - shownBefore; }
    void TearDown() override { MessageBox::clearAnswers(); }

    TestHome home;
    TFormMain form;
    TLeafNote* A = nullptr;
    TLeafNote* B = nullptr;
    TRichEditLink* page = nullptr;
    int shownBefore = 0;
};

} // namespace

TEST_F(PagePicturesTest, APastedPictureIsSavedAsItsPngBytesAndReadBackAtItsSize) {
    ASSERT_FALSE(form.PageIsRich());
    page->insertPlainText(QStringLiteral("前"));
    const QByteArray png = encoded(picture(40, 30), "PNG");
    QMimeData clip;
    clip.setData(QStringLiteral("image/png"), png);
    ASSERT_TRUE(page->canInsertFromMimeData(&clip));
    page->insertFromMimeData(&clip);
    EXPECT_EQ(messages(), 0);
    EXPECT_TRUE(form.PageIsRich()); // a plain page becomes rich

    form.GoToItem(B); // stores A's page
    EXPECT_FALSE(A->PageText.contains('?')) << "a picture is no character of the plain text";
    const QByteArray rtf = A->GetPage();
    EXPECT_TRUE(rtf.contains("\\pngblip\\picw40\\pich30")) << rtf.left(300).constData();
    QByteArray hex = rtf;
    hex.replace("\n", "");
    EXPECT_TRUE(hex.contains(png.toHex()));

    form.GoToItem(A);
    const QList<QTextImageFormat> found = images(*page->document());
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(shown(*page->document(), found[0]).size(), QSize(40, 30));
    EXPECT_DOUBLE_EQ(found[0].width(), 40.0);
    EXPECT_DOUBLE_EQ(found[0].height(), 30.0);
    EXPECT_EQ(found[0].property(Rtf::PictureDataProperty).toByteArray(), png);
    EXPECT_TRUE(page->toPlainText().startsWith(QStringLiteral("前")));
}

TEST_F(PagePicturesTest, APictureWithoutDataOfItsOwnIsStoredAsPng) {
    QMimeData clip;
    clip.setImageData(picture(7, 5));
    page->insertFromMimeData(&clip);
    const QList<QTextImageFormat> found = images(*page->document());
    ASSERT_EQ(found.size(), 1);
    const QByteArray data = found[0].property(Rtf::PictureDataProperty).toByteArray();
    EXPECT_TRUE(data.startsWith("\x89PNG"));
    EXPECT_EQ(QImage::fromData(data).pixel(3, 3), qRgb(255, 255, 0));
}

TEST_F(PagePicturesTest, TooLargeAPictureIsRefusedWithAMessage) {
    // Checked before decoding: a PNG signature and enough bytes to pass the cap.
    QByteArray big("\x89PNG\r\n\x1A\n", 8);
    big.append(QByteArray(PagePictures::MaxBytes, 'x'));
    QMimeData clip;
    clip.setData(QStringLiteral("image/png"), big);
    page->insertFromMimeData(&clip);
    EXPECT_EQ(messages(), 1);
    EXPECT_EQ(MessageBox::lastText(),
              QStringLiteral("貼り付けた画像は大きすぎます（10.0 MiB）。ページに入れられる画像は "
                             "10 MiB までです。"));
    EXPECT_TRUE(images(*page->document()).isEmpty());
    EXPECT_FALSE(page->document()->isModified());
    EXPECT_FALSE(form.PageIsRich());

    // Damaged data is refused the same way, naming what is wrong.
    QMimeData damaged;
    damaged.setData(QStringLiteral("image/jpeg"), QByteArray("\xFF\xD8\xFF\xE0junk", 8));
    page->insertFromMimeData(&damaged);
    EXPECT_EQ(messages(), 2);
    EXPECT_TRUE(MessageBox::lastText().startsWith(QStringLiteral("貼り付けた画像は壊れている")));
    EXPECT_TRUE(images(*page->document()).isEmpty());
}

TEST_F(PagePicturesTest, ADroppedJpegFileStaysAJpeg) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("写真.JPG"));
    const QByteArray jpeg = encoded(picture(64, 48), "JPEG");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(jpeg);
    f.close();

    QMimeData drop;
    drop.setUrls({QUrl::fromLocalFile(path)});
    page->insertFromMimeData(&drop);
    EXPECT_EQ(messages(), 0) << MessageBox::lastText().toStdString();
    const QList<QTextImageFormat> found = images(*page->document());
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].property(Rtf::PictureDataProperty).toByteArray(), jpeg);
    EXPECT_EQ(shown(*page->document(), found[0]).size(), QSize(64, 48));
    EXPECT_FALSE(page->toPlainText().contains(QLatin1String("<file:")));

    const QByteArray rtf = Rtf::write(*page->document());
    EXPECT_TRUE(rtf.contains("\\jpegblip\\picw64\\pich48"));
    EXPECT_FALSE(rtf.contains("\\pngblip"));

    // A missing picture is told; the others of the same drop still go in.
    QMimeData two;
    two.setUrls(
        {QUrl::fromLocalFile(dir.filePath(QStringLiteral("ない.png"))), QUrl::fromLocalFile(path)});
    page->insertFromMimeData(&two);
    EXPECT_EQ(messages(), 1);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("ない.png」が見つかりません")));
    EXPECT_EQ(images(*page->document()).size(), 2);

    // A drop with any other file keeps every path a link.
    QMimeData mixed;
    mixed.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(QStringLiteral("/x/a.txt"))});
    page->insertFromMimeData(&mixed);
    EXPECT_TRUE(page->toPlainText().contains(QStringLiteral("<file:/x/a.txt>")));
    EXPECT_EQ(images(*page->document()).size(), 2);
}

TEST_F(PagePicturesTest, AWidePictureIsShownAtThePageWidthAndKeptWhole) {
    form.show();
    const QByteArray png = encoded(picture(3000, 200), "PNG");
    QMimeData clip;
    clip.setData(QStringLiteral("image/png"), png);
    page->insertFromMimeData(&clip);
    const QList<QTextImageFormat> found = images(*page->document());
    ASSERT_EQ(found.size(), 1);
    EXPECT_LT(found[0].width(), page->viewport()->width());
    EXPECT_GT(found[0].width(), 100);
    EXPECT_NEAR(found[0].height(), found[0].width() * 200 / 3000, 0.01);

    const auto doc = std::make_unique<QTextDocument>();
    ASSERT_TRUE(Rtf::load(Rtf::write(*page->document()), *doc).ok);
    const QList<QTextImageFormat> back = images(*doc);
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(shown(*doc, back[0]).size(), QSize(3000, 200)); // the data is whole
    EXPECT_NEAR(back[0].width(), found[0].width(), 1.0);      // shown as small as before
}

TEST_F(PagePicturesTest, APictureCopiedToAnotherPageKeepsItsData) {
    page->insertPlainText(QStringLiteral("ab"));
    const QByteArray png = encoded(picture(12, 9), "PNG");
    QMimeData clip;
    clip.setData(QStringLiteral("image/png"), png);
    page->insertFromMimeData(&clip);
    page->insertPlainText(QStringLiteral("cd"));
    QTextCursor c = page->textCursor();
    c.setPosition(1);
    c.setPosition(4, QTextCursor::KeepAnchor); // "b", the picture, "c"
    page->setTextCursor(c);
    page->copy();

    form.GoToItem(B);
    page->insertPlainText(QStringLiteral("xy"));
    page->moveCursor(QTextCursor::Left);
    page->paste();
    EXPECT_EQ(page->toPlainText(), QStringLiteral("xb\uFFFCcy")); // no paragraph added
    const QList<QTextImageFormat> found = images(*page->document());
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(shown(*page->document(), found[0]).size(), QSize(12, 9));
    form.GoToItem(A);
    QByteArray saved = B->GetPage();
    saved.replace("\n", "");
    EXPECT_TRUE(saved.contains(png.toHex()));
}

TEST_F(PagePicturesTest, APictureIsPrinted) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("頁.pdf"));
    const auto saved = TPageFileCommands::ExecPrintDialog;
    TPageFileCommands::ExecPrintDialog = [&](QPrinter& p, QWidget*) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return true;
    };
    auto printed = [&]() {
        form.Commands->trigger(QStringLiteral("ItemPrint"));
        QFile f(pdf);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    page->insertPlainText(QStringLiteral("文字だけ"));
    EXPECT_FALSE(printed().contains("/Subtype /Image"));
    QMimeData clip;
    clip.setData(QStringLiteral("image/png"), encoded(picture(50, 40), "PNG"));
    page->insertFromMimeData(&clip);
    EXPECT_TRUE(printed().contains("/Subtype /Image"));
    TPageFileCommands::ExecPrintDialog = saved;
}
