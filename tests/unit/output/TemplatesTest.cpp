#include "OutlineFixture.h"

#include "common/ProgramFolder.h"
#include "output/OutputTemplates.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

TEST(ProgramFolder, FollowsWrenNoteHome) {
    TestHome home;
    EXPECT_EQ(ProgramFolder(), QDir::cleanPath(home.path()));
    EXPECT_EQ(OutputTemplates::Folder(), home.path() + QStringLiteral("/Output"));
}

TEST(OutputTemplates, DefaultsAreInstalledOnlyIntoAnEmptyFolder) {
    TestHome home;
    EXPECT_TRUE(OutputTemplates::Files(TTemplateKind::Text).isEmpty());
    QString error;
    ASSERT_TRUE(OutputTemplates::InstallDefaults(&error)) << error.toStdString();
    const QStringList text = OutputTemplates::Files(TTemplateKind::Text);
    const QStringList rtf = OutputTemplates::Files(TTemplateKind::Rtf);
    EXPECT_GE(text.size(), 3);
    EXPECT_TRUE(text.contains(QStringLiteral("アウトライン.txt")));
    EXPECT_TRUE(text.contains(QStringLiteral("番号付きアウトライン.txt")));
    EXPECT_TRUE(rtf.contains(QStringLiteral("ページ付き.rtf")));
    // The user may edit the copies.
    const QString outline = OutputTemplates::Folder() + QStringLiteral("/アウトライン.txt");
    EXPECT_TRUE(QFileInfo(outline).isWritable());

    // A folder with the user's own template is left as it is.
    QDir(OutputTemplates::Folder()).removeRecursively();
    QDir().mkpath(OutputTemplates::Folder());
    OutlineFixture::writeFile(OutputTemplates::Folder() + QStringLiteral("/mine.TXT"), "&Title");
    ASSERT_TRUE(OutputTemplates::InstallDefaults(&error));
    EXPECT_EQ(OutputTemplates::Files(TTemplateKind::Text), QStringList{QStringLiteral("mine.TXT")});
    EXPECT_TRUE(OutputTemplates::Files(TTemplateKind::Rtf).isEmpty());
    EXPECT_EQ(OutputEngine::KindOf(QStringLiteral("a/b.RtF")), TTemplateKind::Rtf);
    EXPECT_EQ(OutputEngine::KindOf(QStringLiteral("a.rtf.txt")), TTemplateKind::Text);
}

namespace {

class ShippedTemplates : public ::testing::Test, public OutlineFixture {
protected:
    QString run(const QString& name, TOutlineNode* root = nullptr) {
        const QString dest = home.file(QStringLiteral("out.txt"));
        ExportText(outline, root, dest, OutputTemplates::Folder() + QLatin1Char('/') + name);
        return FromSjis(readAll(dest));
    }
    void SetUp() override { ASSERT_TRUE(OutputTemplates::InstallDefaults()); }
    TestHome home;
};

} // namespace

TEST_F(ShippedTemplates, IndentedOutline) {
    EXPECT_EQ(run(QStringLiteral("アウトライン.txt")),
              QStringLiteral("　本A\r\n　　A1\r\n　　　A1a\r\n　　A2\r\n　Book B\r\n"));
}

TEST_F(ShippedTemplates, NumberedOutline) {
    EXPECT_EQ(run(QStringLiteral("番号付きアウトライン.txt")),
              QStringLiteral("1. 本A\r\n1.1. A1\r\n1.1.1. A1a\r\n1.2. A2\r\n2. Book B\r\n"));
}

TEST_F(ShippedTemplates, HierarchicalTextWithPages) {
    EXPECT_EQ(run(QStringLiteral("階層付テキスト.txt"), a),
              QStringLiteral(".本A\r\n一行目\r\n二行目\r\n..A1\r\n...A1a\r\n..A2\r\n太字\r\n"));
}
