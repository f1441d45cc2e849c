// Exports made on every core and written as they are made: the file holds
// exactly what the export makes, in order; a cancelled or failed export
// leaves the old file as it was.
#include "InterchangeFixtures.h"

#include "TestSupport.h"

#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "interchange/EveryCore.h"
#include "interchange/Export.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>

using namespace Interchange;

namespace {

constexpr int kItems = 1500;

class ExportStream : public ::testing::Test {
protected:
    TestHome home;
    TOptionDesc settings;
    TOutline outline{&settings};

    ExportStream() {
        // Several runs of items, and more than the few megabytes that are
        // passed on at a time.
        const QByteArray filler = Cp932::fromUnicode(QString(700, QChar(0x3042))) + "\r\n";
        TOutlineNode* parent = nullptr;
        for (int i = 0; i < kItems; ++i) {
            const QByteArray title = "item " + QByteArray::number(i) + " end";
            TLeafNote* item = AddItem(outline, i % 10 == 0 ? nullptr : parent, title.constData());
            if (i % 10 == 0)
                parent = item->TreeNode;
            const QByteArray text = title + " page\r\n" + filler + filler;
            if (i % 3 == 0)
                item->SetPage(text, RtfOfHtml(QStringLiteral("<p><b>%1</b> page</p><p>%2</p>")
                                                  .arg(QString::fromLatin1(title),
                                                       QString(1400, QChar(0x3044)))));
            else
                item->SetPage(text, QByteArray());
        }
    }
    ~ExportStream() override { outline.clear(); }

    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(ExportStream, TheFileHoldsWhatTheExportMakesInOrder) {
    for (const TExportFormat format :
         {TExportFormat::Opml, TExportFormat::Markdown, TExportFormat::Html}) {
        SCOPED_TRACE(DefaultSuffix(format).toStdString());
        const TExportResult whole = Export(format, outline, TExportOptions());
        ASSERT_TRUE(whole.ok) << whole.error.toStdString();
        EXPECT_EQ(whole.count, kItems);
        EXPECT_GT(whole.bytes.size(), 4 << 20);
        qsizetype at = 0;
        for (int i = 0; i < kItems; i += 7) {
            const qsizetype next =
                whole.bytes.indexOf("item " + QByteArray::number(i) + " end", at);
            ASSERT_GT(next, at) << i;
            at = next;
        }
        const QString path = home.file(QStringLiteral("out.") + DefaultSuffix(format));
        TExportResult streamed;
        ASSERT_TRUE(ExportFile(path, format, outline, TExportOptions(), &streamed));
        EXPECT_TRUE(streamed.bytes.isEmpty());
        EXPECT_EQ(streamed.written, whole.bytes.size());
        const QByteArray file = read(path);
        // Only the OPML head's date may differ.
        if (format == TExportFormat::Opml) {
            const qsizetype body = whole.bytes.indexOf("<body>");
            EXPECT_EQ(file.mid(file.indexOf("<body>")), whole.bytes.mid(body));
        } else {
            EXPECT_TRUE(file == whole.bytes);
        }
    }
}

TEST_F(ExportStream, CancellingLeavesTheOldFileAsItWas) {
    const QString path = home.file(QStringLiteral("kept.html"));
    WriteFixture(home.path(), QStringLiteral("kept.html"), "old");
    TExportOptions options;
    int calls = 0;
    options.progress = [&calls](qint64, qint64) { return ++calls < 2; };
    TExportResult r;
    EXPECT_FALSE(ExportFile(path, TExportFormat::Html, outline, options, &r));
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(read(path), QByteArray("old"));
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.html")});
}

// A sink that fails partway, as a full disk does.
class FailingSink : public TByteSink {
public:
    int writes = 0;
    void write(const char*, qsizetype) override {
        if (++writes == 2)
            throw std::runtime_error("disk full");
    }
};

TEST_F(ExportStream, AWriteThatFailsStopsTheExport) {
    for (const TExportFormat format : {TExportFormat::Markdown, TExportFormat::Html}) {
        FailingSink sink;
        EXPECT_THROW(Export(format, outline, TExportOptions(), &sink), std::runtime_error);
        EXPECT_EQ(sink.writes, 2);
    }
}

} // namespace

namespace {

// A failure on a helper thread must come back to the caller, not end the
// program; the rest of the work is dropped.
TEST(EveryCore, AFailureOnAnyThreadIsThrownToTheCaller) {
    for (const size_t failing : {size_t(0), size_t(3), size_t(5000)}) {
        std::atomic<size_t> done{0};
        EXPECT_THROW(Interchange::OnEveryCore(100000,
                                              [&](size_t i) {
                                                  if (i == failing)
                                                      throw std::bad_alloc();
                                                  ++done;
                                              }),
                     std::bad_alloc);
        EXPECT_LT(done.load(), size_t(99999));
    }
}

} // namespace
