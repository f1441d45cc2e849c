#include "rtf/RtfReader.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

// Real documents from other projects' test data (see tests/data/rtf/README).
namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString sampleDir() {
    return TestDataPath(QStringLiteral("rtf"));
}

QString sample(const QString& name) {
    return Rtf::plainText(readFile(sampleDir() + QLatin1Char('/') + name));
}

QString collapseSpace(QString s) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return s.replace(space, QStringLiteral(" ")).trimmed();
}

// Damaged on purpose; they must fail cleanly or read what they can.
const QSet<QString> kDamaged = {
    QStringLiteral("rtfpipe_RtfParserTest_fail_0.rtf"),
    QStringLiteral("rtfpipe_RtfParserTest_fail_3.rtf"),
    QStringLiteral("rtfpipe_RtfParserTest_fail_4.rtf"),
    QStringLiteral("rtfpipe_RtfParserTest_fail_5.rtf"),
    QStringLiteral("rtfpipe_RtfParserTest_fail_6.rtf"),
    QStringLiteral("tika_testBinControlWord.rtf"), // one group is never closed
};

} // namespace

TEST(RtfSamples, EveryFileReadsAndIntactOnesWithoutError) {
    const QStringList files = QDir(sampleDir()).entryList({QStringLiteral("*.rtf")}, QDir::Files);
    ASSERT_GE(files.size(), 60);
    for (const QString& name : files) {
        Rtf::ReadResult r;
        const QString text = Rtf::plainText(readFile(sampleDir() + QLatin1Char('/') + name), &r);
        if (kDamaged.contains(name)) {
            EXPECT_FALSE(r.ok) << name.toStdString();
            EXPECT_TRUE(r.error.startsWith(QStringLiteral("RTF: "))) << name.toStdString();
        } else {
            EXPECT_TRUE(r.ok) << name.toStdString() << ": " << r.error.toStdString();
            // Its only words are the name of a list misplaced in the body;
            // a word processor shows an empty page.
            const bool blank = name == QLatin1String("tika_test_list_override.rtf");
            EXPECT_EQ(text.trimmed().isEmpty(), blank) << name.toStdString();
        }
    }
}

TEST(RtfSamples, ExpectedPlainTextsUpToWhiteSpace) {
    const QStringList files =
        QDir(sampleDir()).entryList({QStringLiteral("*.expected.txt")}, QDir::Files);
    ASSERT_GE(files.size(), 9);
    for (const QString& name : files) {
        QString expected = QString::fromUtf8(readFile(sampleDir() + QLatin1Char('/') + name));
        // That project marks table cells with '|'; ours are tabs.
        if (name.contains(QStringLiteral("table")))
            expected.replace(QLatin1Char('|'), QLatin1Char(' '));
        // Those projects leave pictures out.
        const QString rtfName =
            QString(name).replace(QStringLiteral(".expected.txt"), QStringLiteral(".rtf"));
        const QString got = sample(rtfName).remove(QChar(QChar::ObjectReplacementCharacter));
        EXPECT_EQ(collapseSpace(got).toStdString(), collapseSpace(expected).toStdString())
            << rtfName.toStdString();
    }
}

// What tika's own tests assert about the text of its files. Headers,
// footers and text boxes are not part of a page, so the
// assertions about them are left out; so are those about the document
// information and markup, which plain text does not carry.
TEST(RtfSamples, TikaTextAssertions) {
    const QSet<QString> unshown = {QStringLiteral("This is the header text."),
                                   QStringLiteral("This is the footer text."),
                                   QStringLiteral("Here is a text box")};
    const QStringList lines =
        QString::fromUtf8(readFile(sampleDir() + QStringLiteral("/tika_expected_assertions.tsv")))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    int checked = 0;
    for (const QString& line : lines.mid(1)) {
        const qsizetype a = line.indexOf(QLatin1Char('\t'));
        const qsizetype b = line.indexOf(QLatin1Char('\t'), a + 1);
        ASSERT_TRUE(a > 0 && b > a) << line.toStdString();
        const QStringList f = {line.left(a), line.mid(a + 1, b - a - 1), line.mid(b + 1)};
        const QString& check = f[1];
        // Plain text has a space for a non-breaking one, as the editor's has.
        const QString value = QString(f[2]).replace(QChar(QChar::Nbsp), QLatin1Char(' '));
        if (unshown.contains(value))
            continue;
        const QString text = sample(f[0]);
        if (check == QLatin1String("text_contains")) {
            EXPECT_TRUE(text.contains(value)) << f[0].toStdString() << ": " << value.toStdString();
        } else if (check == QLatin1String("text_not_contains")) {
            EXPECT_FALSE(text.contains(value)) << f[0].toStdString() << ": " << value.toStdString();
        } else if (check == QLatin1String("text_contains_ws_normalised")) {
            EXPECT_TRUE(collapseSpace(text).contains(collapseSpace(value)))
                << f[0].toStdString() << ": " << value.toStdString();
        } else {
            continue;
        }
        ++checked;
    }
    EXPECT_GE(checked, 35);
}

TEST(RtfSamples, JapaneseFilesDecodeToTheRightCharacters) {
    struct Case {
        const char* file;
        const char* text;
    };
    const Case cases[] = {
        {"rtfparserkit_testJapaneseJisEncoding.rtf", "中國"},
        {"rtfparserkit_testJapaneseJisEncodingTwoFonts.rtf", "中國"},
        {"rtfparserkit_testJapaneseUtf8Encoding.rtf", "中國"},
        {"rtfparserkit_testMultiByteHex.rtf", "お元気ですか？"},
        {"rtfparserkit_testNecCharacters.rtf",
         "BLC U=>L Splice でU/W No.2 "
         "Dancerからシワ発生。Set時に表層10㎜ほどムーニング　pallet底のRoll"},
        {"tika_testRTF-ms932.rtf", "Hello\nこんにちは\nTest\nテスト"},
        {"tika_testRTFJapanese.rtf", "（ＧＨＱ）"},
        {"tika_testRTFUnicodeUCNControlWordCharacterDoubling.rtf", "0 年 abc 念"},
        {"striprtf_unicode.rtf", "柔道"},
    };
    for (const Case& c : cases) {
        const QString text = sample(QString::fromUtf8(c.file));
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.text)))
            << c.file << ": " << text.left(300).toStdString();
    }
    // The font names of a Japanese font table are Shift-JIS too; they are
    // checked where formats are kept (DocumentTest).
}
