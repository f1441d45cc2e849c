#include "common/DateTime.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QProcess>

namespace {

class CliSearch : public ::testing::Test {
protected:
    CliSearch() : outline(&settings) {
        TLeafNote* a = make(nullptr, "仕事");
        a->AssignNodeId();
        TLeafNote* a1 = make(a, "予算の見積もり");
        a1->Progress = ProgressInProgress;
        a1->DueDate = WrenDate::fromDate(QDate(2024, 5, 1));
        a1->AssignNodeId();
        TLeafNote* a2 = make(a, "Review");
        a2->PageText = "review the draft\r\n";
        a2->LabelIndex = 3;
        a2->AssignNodeId();
        TLeafNote* trash = TLeafNote::CreateTrash(outline);
        make(trash, "old budget");
        path = home.file(QStringLiteral("文書.wrn"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(OutlineFile::writeDocument(settings, outline));
    }

    TLeafNote* make(TLeafNote* parent, const char* title) {
        TLeafNote* item = TLeafNote::Create(outline, parent ? InsertLastChild : InsertBottomOfLevel,
                                            parent ? parent->TreeNode : nullptr);
        item->SetTitle(Sjis(title));
        return item;
    }

    // Standard output of a run that must succeed.
    QString run(QStringList args, int expectedCode = 0) {
        QProcess p;
        p.start(QStringLiteral(WRENNOTE_CLI_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), expectedCode) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    TestHome home;
    TOptionDesc settings;
    TOutline outline;
    QString path;
};

} // namespace

TEST_F(CliSearch, TextConditions) {
    EXPECT_EQ(run({"search", path, "--text", "予算"}),
              QStringLiteral("2\t予算の見積もり\t進行中\t2024/05/01\t仕事 / 予算の見積もり\n"));
    EXPECT_EQ(run({"search", path, "--text", "REVIEW", "--in", "text"}),
              QStringLiteral("3\tReview\t未着手\t-\t仕事 / Review\n"));
    EXPECT_EQ(run({"search", path, "--text", "REVIEW", "--case"}), QString());
    EXPECT_EQ(run({"search", path, "--text", "the", "--word", "--in", "text"}),
              QStringLiteral("3\tReview\t未着手\t-\t仕事 / Review\n"));
    // The whole outline is listed, the trash included.
    EXPECT_TRUE(
        run({"search", path, "--text", "budget"}).contains(QStringLiteral("ごみ箱 / old budget")));
}

TEST_F(CliSearch, AttributeAndDateConditions) {
    EXPECT_EQ(run({"search", path, "--label", "3"}).count(QLatin1Char('\n')), 1);
    EXPECT_EQ(run({"search", path, "--progress", "1,2"}).count(QLatin1Char('\n')), 1);
    EXPECT_EQ(run({"search", path, "--due"}).count(QLatin1Char('\n')), 1);
    EXPECT_EQ(run({"search", path, "--date", "due", "--before", "--ref", "2024-05-02"})
                  .count(QLatin1Char('\n')),
              1);
    EXPECT_EQ(
        run({"search", path, "--date", "due", "--before", "--days", "1", "--ref", "2024-05-03"}),
        QString());
    EXPECT_EQ(run({"search", path, "--date", "due", "--ref", "2024-05-01T18:00"})
                  .count(QLatin1Char('\n')),
              1);
    EXPECT_EQ(run({"search", path, "--level", "2"}).count(QLatin1Char('\n')), 2);
    EXPECT_EQ(run({"search", path, "--level", "1"}).count(QLatin1Char('\n')), 2)
        << "the book and the trash";
}

TEST_F(CliSearch, UsageAndFileErrors) {
    run({"search", path, "--label", "8"}, 2);
    run({"search", path, "--before"}, 2);
    run({"search", path, "--level", "99"}, 1);
    run({"search", home.file(QStringLiteral("無い.wrn"))}, 1);
    run({"export", path, "-o", home.file("x.txt")}, 2);
}

TEST_F(CliSearch, ExportThroughAShippedOrOwnTemplate) {
    const QString out = home.file(QStringLiteral("出力.txt"));
    run({"export", path, "--template", "番号付きアウトライン.txt", "-o", out});
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(FromSjis(f.readAll()),
              QStringLiteral("1. 仕事\r\n1.1. 予算の見積もり\r\n1.2. Review\r\n"));
    f.close();

    const QString own = home.file(QStringLiteral("mine.txt"));
    QFile t(own);
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write("[&Title] &Content\r\n");
    t.close();
    run({"export", path, "--template", own, "--root", "3", "-o", out});
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[Review] review the draft\r\n"));
    f.close();

    run({"export", path, "--template", home.file("無い.txt"), "-o", out}, 1);
    run({"export", path, "--template", own, "--root", "77", "-o", out}, 1);
}
