// The per-user defaults store and the earlier record layout that starts from it.
#include "settings/DefaultsStore.h"
#include "file/ByteStream.h"
#include "settings/OptionDesc.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QString storeFile(const TestHome& home) {
    return home.path() + QStringLiteral("/config/KESTON/WrenNOTE.ini");
}

void putValues(const std::initializer_list<std::pair<const char*, QString>>& values) {
    QSettings s(DefaultsStorePath(), QSettings::IniFormat);
    for (const auto& [key, value] : values)
        s.setValue(QLatin1String(key), value);
    s.sync();
}

// Every value of the store changed from its default.
TOptionDesc changedSettings() {
    TOptionDesc o;
    o.SisterPos = 0;
    o.DaughterPos = 4;
    o.AuntPos = 3;
    o.ClipPos = 1;
    o.DateAuto = false;
    o.LinkAuto = false;
    o.ProceedAuto = true;
    o.FinishAuto = true;
    o.ExpandOnlyOne = true;
    o.CheckOutOfDate = true;
    o.HideForm = true;
    o.StayOn = true;
    o.DropExpand = true;
    o.DragCollapse = false;
    o.ConfirmDel = false;
    o.ConfirmSave = true;
    o.HierSymbol = '*';
    o.BackColorTitle = 0x1FFFFFFF;
    o.BackColorText = 0x808080;
    o.BackColorLink = 0xFF000001;
    o.FormLeft = -20;
    o.FormTop = 30;
    o.FormWidth = 900;
    o.FormHeight = 700;
    o.FormState = 0;
    o.TreeWidth = 250;
    o.TreeHeight = 150;
    o.TreeVisible = false;
    o.SplitVertical = true;
    o.ItemView = 8;
    o.StatusVisible = false;
    o.LinkPanelVisible = true;
    o.DatePanelVisible = true;
    o.ShowRuler = true;
    o.ShowCalendar = true;
    o.MaxCalendar = false;
    o.CalendarHeight = 140;
    o.ListViewVisible = true;
    o.PreferText = true;
    o.ListViewHeight = 90;
    o.WordWrap = false;
    o.InFileLinkColor = 0x00AA00;
    o.HyperLinkColor = 0xAA0000;
    o.ClipHotKey = 0x7B;
    o.ClipHotModifiers = 5;
    for (int i = 0; i < 8; ++i) {
        o.LabelText[size_t(i)] = Sjis("ラベル, \"") + QByteArray::number(i);
        o.LabelImage[size_t(i)] = 15 - i;
    }
    o.DateFormat = Sjis("yyyy'年'm'月'd'日', ddd");
    o.DateViewFormat = Sjis("gge\"年\" hh:nn");
    o.ColumnCount = 5;
    o.Columns[1] = TColumnDesc{11, 81};
    o.Columns[2] = TColumnDesc{4, 72};
    o.Columns[3] = TColumnDesc{9, 151};
    o.Columns[4] = TColumnDesc{2, 33};
    o.Columns[0].Width = 222;
    o.DefFont = TFontDesc{Sjis("游ゴシック"), 14, 0x0000FF, 0, true, true, true};
    o.TreeViewFont = TFontDesc{"DejaVu Sans", 8, 1, 1, false, true, false};
    o.TitleFont = TFontDesc{Sjis("明朝"), 20, 2, 128, false, false, true};
    o.LinkFont = TFontDesc{"Mono", 7, 3, 2, true, false, false};
    // Values that the store does not keep.
    o.SaveTemporal = true;
    o.SaveBAKFile = true;
    o.TrashOnTerminate = true;
    o.ShowProcs = true;
    o.ListViewFont = TFontDesc{"Kept", 17, 5, 0, true, false, false};
    return o;
}

void expectStoredValuesEqual(const TOptionDesc& a, const TOptionDesc& b) {
    EXPECT_EQ(a.SisterPos, b.SisterPos);
    EXPECT_EQ(a.DaughterPos, b.DaughterPos);
    EXPECT_EQ(a.AuntPos, b.AuntPos);
    EXPECT_EQ(a.ClipPos, b.ClipPos);
    EXPECT_EQ(a.DateAuto, b.DateAuto);
    EXPECT_EQ(a.LinkAuto, b.LinkAuto);
    EXPECT_EQ(a.ProceedAuto, b.ProceedAuto);
    EXPECT_EQ(a.FinishAuto, b.FinishAuto);
    EXPECT_EQ(a.ExpandOnlyOne, b.ExpandOnlyOne);
    EXPECT_EQ(a.CheckOutOfDate, b.CheckOutOfDate);
    EXPECT_EQ(a.HideForm, b.HideForm);
    EXPECT_EQ(a.StayOn, b.StayOn);
    EXPECT_EQ(a.DropExpand, b.DropExpand);
    EXPECT_EQ(a.DragCollapse, b.DragCollapse);
    EXPECT_EQ(a.ConfirmDel, b.ConfirmDel);
    EXPECT_EQ(a.ConfirmSave, b.ConfirmSave);
    EXPECT_EQ(a.HierSymbol, b.HierSymbol);
    EXPECT_EQ(a.BackColorTitle, b.BackColorTitle);
    EXPECT_EQ(a.BackColorText, b.BackColorText);
    EXPECT_EQ(a.BackColorLink, b.BackColorLink);
    EXPECT_EQ(a.FormLeft, b.FormLeft);
    EXPECT_EQ(a.FormTop, b.FormTop);
    EXPECT_EQ(a.FormWidth, b.FormWidth);
    EXPECT_EQ(a.FormHeight, b.FormHeight);
    EXPECT_EQ(a.FormState, b.FormState);
    EXPECT_EQ(a.TreeWidth, b.TreeWidth);
    EXPECT_EQ(a.TreeHeight, b.TreeHeight);
    EXPECT_EQ(a.TreeVisible, b.TreeVisible);
    EXPECT_EQ(a.SplitVertical, b.SplitVertical);
    EXPECT_EQ(a.ItemView, b.ItemView);
    EXPECT_EQ(a.StatusVisible, b.StatusVisible);
    EXPECT_EQ(a.LinkPanelVisible, b.LinkPanelVisible);
    EXPECT_EQ(a.DatePanelVisible, b.DatePanelVisible);
    EXPECT_EQ(a.ShowRuler, b.ShowRuler);
    EXPECT_EQ(a.ShowCalendar, b.ShowCalendar);
    EXPECT_EQ(a.MaxCalendar, b.MaxCalendar);
    EXPECT_EQ(a.CalendarHeight, b.CalendarHeight);
    EXPECT_EQ(a.ListViewVisible, b.ListViewVisible);
    EXPECT_EQ(a.PreferText, b.PreferText);
    EXPECT_EQ(a.ListViewHeight, b.ListViewHeight);
    EXPECT_EQ(a.WordWrap, b.WordWrap);
    EXPECT_EQ(a.InFileLinkColor, b.InFileLinkColor);
    EXPECT_EQ(a.HyperLinkColor, b.HyperLinkColor);
    EXPECT_EQ(a.ClipHotKey, b.ClipHotKey);
    EXPECT_EQ(a.ClipHotModifiers, b.ClipHotModifiers);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(FromSjis(a.LabelText[size_t(i)]), FromSjis(b.LabelText[size_t(i)])) << i;
        EXPECT_EQ(a.LabelImage[size_t(i)], b.LabelImage[size_t(i)]) << i;
    }
    EXPECT_EQ(FromSjis(a.DateFormat), FromSjis(b.DateFormat));
    EXPECT_EQ(FromSjis(a.DateViewFormat), FromSjis(b.DateViewFormat));
    EXPECT_EQ(a.ColumnCount, b.ColumnCount);
    for (int i = 0; i < a.ColumnCount; ++i)
        EXPECT_EQ(a.Columns[size_t(i)], b.Columns[size_t(i)]) << i;
    EXPECT_EQ(a.DefFont, b.DefFont);
    EXPECT_EQ(a.TreeViewFont, b.TreeViewFont);
    EXPECT_EQ(a.TitleFont, b.TitleFont);
    EXPECT_EQ(a.LinkFont, b.LinkFont);
}

} // namespace

TEST(DefaultsStore, LivesInTheXdgConfigFolder) {
    TestHome home;
    EXPECT_EQ(DefaultsStorePath(), storeFile(home));
    TOptionDesc().SaveDefaults();
    EXPECT_TRUE(QFile::exists(storeFile(home)));
}

TEST(DefaultsStore, MissingStoreGivesTheDefaults) {
    TestHome home;
    TOptionDesc o = changedSettings();
    o.LoadDefaults();
    expectStoredValuesEqual(o, TOptionDesc());
}

TEST(DefaultsStore, SaveThenLoadRestoresEveryStoredValueOnly) {
    TestHome home;
    const TOptionDesc saved = changedSettings();
    saved.SaveDefaults();

    TOptionDesc loaded;
    loaded.NextNodeId = 99;
    loaded.LoadDefaults();
    expectStoredValuesEqual(loaded, saved);
    EXPECT_EQ(loaded.NextNodeId, 99);
    EXPECT_FALSE(loaded.SaveTemporal);
    EXPECT_FALSE(loaded.SaveBAKFile);
    EXPECT_FALSE(loaded.TrashOnTerminate);
    EXPECT_FALSE(loaded.ShowProcs);
    EXPECT_EQ(loaded.ListViewFont, TOptionDesc().ListViewFont);

    // The values in force stay for what the store does not hold.
    TOptionDesc running = saved;
    running.SaveTemporal = false;
    running.LoadDefaults();
    EXPECT_FALSE(running.SaveTemporal);
    EXPECT_TRUE(running.ShowProcs);
    EXPECT_EQ(running.ListViewFont.Name, QByteArray("Kept"));
}

TEST(DefaultsStore, EveryValueIsAStringUnderItsSection) {
    TestHome home;
    changedSettings().SaveDefaults();
    QFile f(storeFile(home));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    for (const char* line : {"[InitPos]",
                             "Sister=0",
                             "Daughter=4",
                             "[Misc]",
                             "DateAuto=0",
                             "ConfirmSave=1",
                             "HierSymbol=*",
                             "ItemView=8",
                             "ClipHotKey=123",
                             "ClipHotModifiers=5",
                             "[BackColor]",
                             "Title=536870911",
                             "RichText=8421504",
                             "[Form]",
                             "Left=-20",
                             "State=0",
                             "[TreeView]",
                             "Width=250",
                             "[StatusPanel]",
                             "[LinkPanel]",
                             "[DatePanel]",
                             "[LabelIndex]",
                             "0=15",
                             "[Column]",
                             "Count=5",
                             "[ColumnKind]",
                             "1=11",
                             "[ColumnWidth]",
                             "4=33",
                             "[DefFont]",
                             "Charset=0",
                             "Color=255",
                             "Bold=1",
                             "[TitleFont]",
                             "Underline=1",
                             "[LinkFont]",
                             "[TreeViewFont]",
                             "Name=DejaVu Sans"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line;
    EXPECT_FALSE(text.contains(QStringLiteral("ListViewFont")));
    EXPECT_FALSE(text.contains(QStringLiteral("SaveTemporal")));

    QSettings s(storeFile(home), QSettings::IniFormat);
    EXPECT_EQ(s.value(QStringLiteral("LabelText/3")).toString(), QStringLiteral("ラベル, \"3"));
    EXPECT_EQ(s.value(QStringLiteral("DefFont/Name")).toString(), QStringLiteral("游ゴシック"));
    EXPECT_EQ(s.value(QStringLiteral("Misc/DateViewFormat")).toString(),
              QStringLiteral("gge\"年\" hh:nn"));
}

TEST(DefaultsStore, IntegerTexts) {
    TestHome home;
    putValues({{"Form/Width", QStringLiteral("0x10")},
               {"Form/Height", QStringLiteral("0X1f")},
               {"Form/Left", QStringLiteral(" -12 ")},
               {"Form/Top", QStringLiteral("twelve")},
               {"TreeView/Width", QString()},
               {"TreeView/Height", QStringLiteral("0x")},
               {"Misc/CalendarHeight", QStringLiteral("99999999999")},
               {"Misc/ListViewHeight", QStringLiteral("0xFFFFFFFF")},
               {"BackColor/Title", QStringLiteral("0x1FFFFFFF")},
               {"BackColor/Link", QStringLiteral("-16777201")},
               {"InitPos/Sister", QStringLiteral("300")},
               {"Misc/ItemView", QStringLiteral("9")},
               {"Misc/ClipHotKey", QStringLiteral("0x70")},
               {"Misc/DateAuto", QStringLiteral("0")},
               {"Misc/ProceedAuto", QStringLiteral("2")},
               {"Misc/FinishAuto", QStringLiteral("yes")}});
    TOptionDesc o;
    o.LoadDefaults();
    EXPECT_EQ(o.FormWidth, 16);
    EXPECT_EQ(o.FormHeight, 31);
    EXPECT_EQ(o.FormLeft, -12);
    EXPECT_EQ(o.FormTop, 0) << "unreadable gives the default";
    EXPECT_EQ(o.TreeWidth, 200) << "empty gives the default";
    EXPECT_EQ(o.TreeHeight, 100);
    EXPECT_EQ(o.CalendarHeight, 100) << "out of range gives the default";
    EXPECT_EQ(o.ListViewHeight, -1) << "a hexadecimal 32-bit pattern";
    EXPECT_EQ(o.BackColorTitle, 0x1FFFFFFFu);
    EXPECT_EQ(o.BackColorLink, 0xFF00000Fu);
    EXPECT_EQ(o.SisterPos, 2);
    EXPECT_EQ(o.ItemView, 0);
    EXPECT_EQ(o.ClipHotKey, 112);
    EXPECT_FALSE(o.DateAuto);
    EXPECT_TRUE(o.ProceedAuto) << "any non-zero integer is true";
    EXPECT_FALSE(o.FinishAuto) << "unreadable gives the default";
}

TEST(DefaultsStore, HierSymbolIsTheFirstCharacter) {
    TestHome home;
    TOptionDesc o;
    putValues({{"Misc/HierSymbol", QString()}});
    o.LoadDefaults();
    EXPECT_EQ(o.HierSymbol, char(0));

    putValues({{"Misc/HierSymbol", QStringLiteral("-+")}});
    o.LoadDefaults();
    EXPECT_EQ(o.HierSymbol, '-');

    // A double-byte character gives its lead byte, as the one-byte setting holds it.
    putValues({{"Misc/HierSymbol", QStringLiteral("・")}});
    o.LoadDefaults();
    EXPECT_EQ(o.HierSymbol, Sjis("・").at(0));

    // That lead byte goes back into the store and comes out unchanged.
    o.SaveDefaults();
    TOptionDesc again;
    again.LoadDefaults();
    EXPECT_EQ(again.HierSymbol, Sjis("・").at(0));

    o.HierSymbol = 0;
    o.SaveDefaults();
    again.HierSymbol = '.';
    again.LoadDefaults();
    EXPECT_EQ(again.HierSymbol, char(0));
}

TEST(DefaultsStore, ColumnsFromTheStore) {
    TestHome home;
    putValues({{"Column/Count", QStringLiteral("20")},
               {"ColumnKind/0", QStringLiteral("6")},
               {"ColumnKind/1", QStringLiteral("10")},
               {"ColumnWidth/1", QStringLiteral("55")}});
    TOptionDesc o;
    o.LoadDefaults();
    EXPECT_EQ(o.ColumnCount, 11);
    EXPECT_EQ(o.Columns[0].Kind, 1) << "entry 0 is always the item name";
    EXPECT_EQ(o.Columns[1], (TColumnDesc{10, 55}));
    EXPECT_EQ(o.Columns[2], (TColumnDesc{3, 70})) << "missing entries take the defaults";

    putValues({{"Column/Count", QStringLiteral("0")}});
    o.LoadDefaults();
    EXPECT_EQ(o.ColumnCount, 1);
}

TEST(DefaultsStore, HandEditedListValueIsReadAsText) {
    TestHome home;
    QDir().mkpath(home.path() + QStringLiteral("/config/KESTON"));
    QFile f(storeFile(home));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Misc]\nDateFormat=yyyy, mm\n[LabelText]\n1=\xe6\x80\xa5\xe3\x81\x8e\n");
    f.close();
    TOptionDesc o;
    o.LoadDefaults();
    EXPECT_EQ(o.DateFormat, QByteArray("yyyy,mm"));
    EXPECT_EQ(o.labelName(1), QStringLiteral("急ぎ"));
}

TEST(DefaultsStore, ResetToDefaultsStartsANewDocument) {
    TestHome home;
    putValues({{"Form/Width", QStringLiteral("640")}});
    TOptionDesc o;
    o.NextNodeId = 500;
    o.Block.fill(0x5A);
    o.ResetToDefaults();
    EXPECT_EQ(o.NextNodeId, 1);
    EXPECT_EQ(o.FormWidth, 640);
    for (uint8_t b : o.Block)
        EXPECT_EQ(b, 0);
}

TEST(DefaultsStore, UnwritableStoreIsReported) {
    TestHome home;
    // A file where the store's folder should be.
    QFile blocker(home.path() + QStringLiteral("/config/KESTON"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_THROW(TOptionDesc().SaveDefaults(), ESettingsStoreError);
}

TEST(EarlierLayout, StartsFromTheDefaultsAndReadsEveryTag) {
    TestHome home;
    putValues({{"Misc/WordWrap", QStringLiteral("0")}, {"LabelText/0", QStringLiteral("無")}});
    ByteBuilder b;
    b.u8(0);
    b.u8(0).u8(6);
    b.u8(2).i32(10).i32(20).i32(800).i32(600).u8(0);
    b.u8(3).u8(1).i32(321).i32(123).u8(0).u8(4);
    b.sjis("ＭＳ 明朝").i32(9).i32(0x00FF00).u8(1).u8(0).u8(0);
    b.u8(4).u8(77).str("Arial").i32(13).i32(1).u8(0).u8(1).u8(0);
    b.u8(5).u8(1).str("Unknown").i32(8).i32(2).u8(0).u8(0).u8(1);
    b.u8(7);
    b.u8(8).raw("12345678");
    b.u8(9);
    for (const char* n : {"一", "二", "三", "四", "五", "六", "七"})
        b.sjis(n);
    b.u8(10);
    b.u8(11).i32(321);
    b.u8(1);

    TOptionDesc o;
    o.StatusVisible = false;
    o.SaveTemporal = true;
    o.Block.fill(0x33);
    o.FontCharset = [](const QByteArray& name) {
        return name == "Arial" ? 0 : name == Sjis("ＭＳ 明朝") ? 128 : 1;
    };
    TByteReader in(b.bytes());
    o.ReadFromStream(in);
    EXPECT_EQ(in.pos(), b.size());

    EXPECT_FALSE(o.WordWrap) << "from the defaults store";
    EXPECT_EQ(o.labelName(0), QStringLiteral("無"));
    EXPECT_TRUE(o.SaveTemporal) << "not a stored value; stays";
    EXPECT_EQ(o.FormLeft, 10);
    EXPECT_EQ(o.FormTop, 20);
    EXPECT_EQ(o.FormWidth, 800);
    EXPECT_EQ(o.FormHeight, 600);
    EXPECT_EQ(o.FormState, 0);
    EXPECT_TRUE(o.SplitVertical);
    EXPECT_EQ(o.TreeWidth, 321);
    EXPECT_EQ(o.TreeHeight, 123);
    EXPECT_FALSE(o.TreeVisible);
    EXPECT_EQ(o.ItemView, 4);
    EXPECT_EQ(FromSjis(o.TreeViewFont.Name), QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(o.TreeViewFont.Charset, 128);
    EXPECT_EQ(o.TreeViewFont.Color, 0x00FF00);
    EXPECT_TRUE(o.TreeViewFont.Bold);
    EXPECT_EQ(o.TitleFont.Name, QByteArray("Arial"));
    EXPECT_EQ(o.TitleFont.Charset, 0);
    EXPECT_EQ(o.TitleFont.Size, 13);
    EXPECT_TRUE(o.TitleFont.Italic);
    EXPECT_FALSE(o.TitleFont.Bold);
    EXPECT_TRUE(o.LinkPanelVisible);
    EXPECT_EQ(o.LinkFont.Charset, 1);
    EXPECT_TRUE(o.LinkFont.Underline);
    EXPECT_TRUE(o.DatePanelVisible);
    EXPECT_TRUE(o.StatusVisible);
    EXPECT_EQ(o.labelName(1), QStringLiteral("一"));
    EXPECT_EQ(o.labelName(7), QStringLiteral("七"));
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(o.LabelImage[size_t(i)], i);
    EXPECT_EQ(o.NextNodeId, 321);
    EXPECT_EQ(o.ColumnCount, 3) << "the defaults' columns";
    for (uint8_t byte : o.Block)
        EXPECT_EQ(byte, 0);
}

TEST(EarlierLayout, WithoutNodeIdTagStartsAtOneAndUnknownFontsAre128) {
    TestHome home;
    TOptionDesc o;
    o.NextNodeId = 40;
    const QByteArray bytes = ByteBuilder()
                                 .u8(0)
                                 .u8(4)
                                 .u8(0)
                                 .str("Nowhere")
                                 .i32(9)
                                 .i32(0)
                                 .u8(0)
                                 .u8(0)
                                 .u8(0)
                                 .u8(1)
                                 .bytes();
    TByteReader in(bytes);
    o.ReadFromStream(in);
    EXPECT_EQ(o.NextNodeId, 1);
    EXPECT_EQ(o.TitleFont.Charset, 128);
}
