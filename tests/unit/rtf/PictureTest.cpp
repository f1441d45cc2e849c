// Pictures: PNG and JPEG shown; others kept as boxes of their size and
// written back as they came.
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextTable>

#include <gtest/gtest.h>

#include <memory>

namespace {

QList<QTextImageFormat> images(const QTextDocument& doc) {
    QList<QTextImageFormat> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                out.append(it.fragment().charFormat().toImageFormat());
    return out;
}

std::unique_ptr<QTextDocument> loaded(const QByteArray& rtf) {
    auto doc = std::make_unique<QTextDocument>();
    const Rtf::ReadResult r = Rtf::load(rtf, *doc);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(Rtf::plainText(rtf), doc->toPlainText());
    return doc;
}

QByteArray hex(const QByteArray& data) {
    return data.toHex();
}

QByteArray encoded(const char* format) {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

const QByteArray kWmf = "{\\pict\\wmetafile8\\picw2540\\pich1270\\picwgoal1500\\pichgoal750\n"
                        "0100090000036e00000000004500000000000400\n0000030108000500}";

QByteArray sample(const char* name) {
    QFile f(TestDataPath(QStringLiteral("rtf")) + QLatin1Char('/') + QString::fromUtf8(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

} // namespace

TEST(RtfPictures, MetafilesAreBoxesOfTheirSizeWrittenBackAsTheyCame) {
    const QByteArray rtf = "{\\rtf1\\ansi a" + kWmf + "b\\par}";
    const auto doc = loaded(rtf);
    const QList<QTextImageFormat> found = images(*doc);
    ASSERT_EQ(found.size(), 1);
    EXPECT_DOUBLE_EQ(found[0].width(), 100.0);
    EXPECT_DOUBLE_EQ(found[0].height(), 50.0);
    EXPECT_EQ(found[0].property(Rtf::PictureProperty).toByteArray(), kWmf);
    // The box is drawable.
    EXPECT_FALSE(doc->resource(QTextDocument::ImageResource, QUrl(found[0].name())).isNull());
    const QByteArray out = Rtf::write(*doc);
    EXPECT_TRUE(out.contains("a" + kWmf + "b")) << out.data();
    // And again: nothing changes however often it goes round.
    const auto back = loaded(out);
    ASSERT_EQ(images(*back).size(), 1);
    EXPECT_EQ(images(*back)[0].property(Rtf::PictureProperty).toByteArray(), kWmf);
    EXPECT_TRUE(Rtf::write(*back).contains(kWmf));
}

TEST(RtfPictures, SizesWithoutGoalsFromTheirUnits) {
    struct Case {
        const char* group;
        double width;
        double height;
    };
    const Case cases[] = {
        // Metafile sizes in hundredths of a millimetre: 2540 = one inch = 96 px.
        {"{\\pict\\emfblip\\picw2540\\pich5080 0102}", 96, 192},
        // Bitmaps in pixels, scaled.
        {"{\\pict\\dibitmap0\\picw40\\pich20\\picscalex50\\picscaley200 0102}", 20, 40},
        // No kind and no size at all.
        {"{\\pict 0102}", 96, 96},
        {"{\\pict\\macpict\\picwgoal30000000\\pichgoal-5 00}", 10000, 96},
    };
    for (const Case& c : cases) {
        const auto doc = loaded(QByteArray("{\\rtf1 x") + c.group + "}");
        const QList<QTextImageFormat> found = images(*doc);
        ASSERT_EQ(found.size(), 1) << c.group;
        EXPECT_DOUBLE_EQ(found[0].width(), c.width) << c.group;
        EXPECT_DOUBLE_EQ(found[0].height(), c.height) << c.group;
        EXPECT_EQ(found[0].property(Rtf::PictureProperty).toByteArray(), QByteArray(c.group));
    }
}

TEST(RtfPictures, BinaryDataIsKeptByteForByte) {
    QByteArray group = "{\\pict\\wmetafile8\\picwgoal300\\pichgoal300\\bin6 ";
    group += QByteArray("\x00}{\\\xff\x01", 6);
    group += "}";
    const auto doc = loaded("{\\rtf1 a" + group + "b}");
    ASSERT_EQ(images(*doc).size(), 1);
    EXPECT_EQ(doc->toPlainText(), QString::fromUtf8("a\uFFFCb"));
    EXPECT_TRUE(Rtf::write(*doc).contains(group));
}

TEST(RtfPictures, PngAndJpegAreShown) {
    for (const char* format : {"PNG", "JPEG"}) {
        const QByteArray kind = QByteArray(format) == "PNG" ? "\\pngblip" : "\\jpegblip";
        const auto doc = loaded("{\\rtf1 {\\pict" + kind + "\\picwgoal600\\pichgoal450 " +
                                hex(encoded(format)) + "}}");
        const QList<QTextImageFormat> found = images(*doc);
        ASSERT_EQ(found.size(), 1) << format;
        EXPECT_FALSE(found[0].hasProperty(Rtf::PictureProperty)) << format;
        const QImage image =
            doc->resource(QTextDocument::ImageResource, QUrl(found[0].name())).value<QImage>();
        EXPECT_EQ(image.size(), QSize(4, 3)) << format;
        EXPECT_DOUBLE_EQ(found[0].width(), 40.0) << format;
    }
}

TEST(RtfPictures, DamagedPngIsKeptAsABox) {
    const QByteArray group = "{\\pict\\pngblip\\picwgoal300\\pichgoal150 89504e470d0a1a0a0000}";
    const auto doc = loaded("{\\rtf1 a" + group + "}");
    const QList<QTextImageFormat> found = images(*doc);
    ASSERT_EQ(found.size(), 1);
    EXPECT_DOUBLE_EQ(found[0].width(), 20.0);
    EXPECT_TRUE(Rtf::write(*doc).contains(group));
}

TEST(RtfPictures, OnlyTheShapeVersionOfAWordPicture) {
    const auto doc = loaded("{\\rtf1 a{\\*\\shppict{\\pict\\emfblip\\picwgoal150\\pichgoal150 01}}"
                            "{\\nonshppict{\\pict\\wmetafile8\\picwgoal150\\pichgoal150 02}}b}");
    const QList<QTextImageFormat> found = images(*doc);
    ASSERT_EQ(found.size(), 1);
    EXPECT_TRUE(found[0].property(Rtf::PictureProperty).toByteArray().contains("emfblip"));
}

TEST(RtfPictures, KeptInTableCellsAndFootnotes) {
    const QByteArray rtf = "{\\rtf1\\trowd\\cellx2000\\pard\\intbl x" + kWmf +
                           "\\cell\\row\\pard n{\\super\\chftn}{\\*\\footnote y" + kWmf + "}\\par}";
    const auto doc = loaded(rtf);
    EXPECT_EQ(images(*doc).size(), 2);
    const QByteArray out = Rtf::write(*doc);
    EXPECT_EQ(out.count(kWmf), 2);
    EXPECT_EQ(loaded(out)->toPlainText(), doc->toPlainText());
}

TEST(RtfPictures, CutPicturesReadCleanly) {
    const QByteArray whole = "{\\rtf1 a" + kWmf + "{\\pict\\pngblip " + hex(encoded("PNG")) + "}b}";
    for (qsizetype n = 6; n < whole.size() - 1; n += 3) {
        const QByteArray cut = whole.left(n);
        QTextDocument doc;
        EXPECT_FALSE(Rtf::load(cut, doc).ok) << n;
        EXPECT_EQ(Rtf::plainText(cut), doc.toPlainText()) << n;
    }
}

TEST(RtfPictures, WordProcessorSamples) {
    const QByteArray lo = sample("lo_pictures.rtf");
    const auto doc = loaded(lo);
    const QList<QTextImageFormat> found = images(*doc);
    ASSERT_EQ(found.size(), 2);
    // The PNG is shown at its size; its metafile twin for old readers is not
    // a picture of its own.
    EXPECT_FALSE(found[0].hasProperty(Rtf::PictureProperty));
    // The sizes the HTML source gave them, through \\picscalex and \\picscaley.
    EXPECT_DOUBLE_EQ(found[0].width(), 96.0);
    EXPECT_DOUBLE_EQ(found[0].height(), 72.0);
    // The metafile is a box of its size, written back as LibreOffice wrote it.
    const QByteArray wmf = found[1].property(Rtf::PictureProperty).toByteArray();
    EXPECT_TRUE(wmf.contains("\\wmetafile8"));
    EXPECT_TRUE(lo.contains(wmf));
    EXPECT_NEAR(found[1].width(), 200.0, 0.5);
    EXPECT_NEAR(found[1].height(), 100.0, 0.5);
    EXPECT_TRUE(Rtf::write(*doc).contains(wmf));
    for (const char* name : {"pandoc_pictures.rtf", "lo_docx_pictures.rtf"}) {
        const auto other = loaded(sample(name));
        const QList<QTextImageFormat> pictures = images(*other);
        ASSERT_EQ(pictures.size(), 2) << name;
        for (const QTextImageFormat& f : pictures) {
            EXPECT_FALSE(f.hasProperty(Rtf::PictureProperty)) << name;
            EXPECT_EQ(other->resource(QTextDocument::ImageResource, QUrl(f.name()))
                          .value<QImage>()
                          .size(),
                      QSize(64, 48))
                << name;
        }
    }
}

TEST(RtfPicture, TextBeforePictInItsGroupIsNotWrittenTwice) {
    // Found by fuzzing: the text was shown, then written back again as part
    // of the kept picture's group.
    const QByteArray rtf = "{\\rtf{\\picts b\\pict}";
    QTextDocument doc;
    Rtf::load(rtf, doc);
    const QByteArray written = Rtf::write(doc);
    QTextDocument back;
    ASSERT_TRUE(Rtf::load(written, back).ok) << written.constData();
    EXPECT_EQ(back.toPlainText(), doc.toPlainText()) << written.constData();
    EXPECT_EQ(doc.toPlainText().count(QLatin1Char('b')), 1);
}

TEST(RtfPicture, APictureNestedPastTheDepthKeptReadsAsTextAndWritesBack) {
    // Found by fuzzing: the kept picture took closing braces of groups it
    // did not open, and our own output then ended early.
    const QByteArray rtf =
        "{\\rtf1 x" + QByteArray(1200, '{') + "\\t{\\pict 0a}" + QByteArray(1200, '}') + "after}";
    QTextDocument doc;
    Rtf::load(rtf, doc);
    EXPECT_TRUE(doc.toPlainText().endsWith(QStringLiteral("after")))
        << doc.toPlainText().toStdString();
    const QByteArray written = Rtf::write(doc);
    QTextDocument back;
    ASSERT_TRUE(Rtf::load(written, back).ok) << written.constData();
    EXPECT_EQ(back.toPlainText(), doc.toPlainText()) << written.constData();
}

TEST(RtfPictures, PngAndJpegAreWrittenBackByteForByte) {
    for (const char* format : {"PNG", "JPEG"}) {
        const QByteArray kind = QByteArray(format) == "PNG" ? "\\pngblip" : "\\jpegblip";
        const QByteArray data = encoded(format);
        const auto doc =
            loaded("{\\rtf1 a{\\pict" + kind + "\\picwgoal600\\pichgoal450 " + hex(data) + "}b}");
        QByteArray written = Rtf::write(*doc);
        EXPECT_TRUE(written.contains("{\\pict" + kind + "\\picw4\\pich3\\picwgoal600\\pichgoal450"))
            << format;
        written.replace("\n", "");
        EXPECT_TRUE(written.contains(hex(data))) << format;
        // Read again: the same picture at the same size.
        const auto again = loaded(Rtf::write(*doc));
        const QList<QTextImageFormat> found = images(*again);
        ASSERT_EQ(found.size(), 1) << format;
        EXPECT_EQ(found[0].property(Rtf::PictureDataProperty).toByteArray(), data) << format;
        EXPECT_DOUBLE_EQ(found[0].width(), 40.0) << format;
    }
}

TEST(RtfPictures, AnImageWithoutDataOfItsOwnIsWrittenAsPng) {
    QTextDocument doc;
    QImage image(5, 2, QImage::Format_RGB32);
    image.fill(Qt::green);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:1")), image);
    QTextCursor c(&doc);
    QTextImageFormat f;
    f.setName(QStringLiteral("mem:1"));
    // Data that is no picture is not trusted.
    f.setProperty(Rtf::PictureDataProperty, QByteArray("\xFF\xD8\xFF no jpeg"));
    c.insertImage(f);
    const QByteArray rtf = Rtf::write(doc);
    EXPECT_TRUE(rtf.contains("{\\pict\\pngblip\\picw5\\pich2")) << rtf.constData();
}
