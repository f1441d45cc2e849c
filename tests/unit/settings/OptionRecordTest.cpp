// The document settings record: both layouts, built byte by byte.
#include "file/ByteStream.h"
#include "settings/OptionDesc.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A 120-byte settings block with every field away from its default and the
// reserved bytes holding marks that must survive.
QByteArray sampleBlock() {
    ByteBuilder b;
    b.u8(0).u8(1).u8(3).u8(4);                   // Sister, Daughter, Aunt, Clip
    b.u8(0).u8(0).u8(1).u8(1).u8(1).u8(1).u8(1); // DateAuto..HideForm
    b.u8(1).u8(1).u8(0).u8(0).u8(1);             // StayOn..ConfirmSave
    b.u8('#');                                   // 16 HierSymbol
    b.u8(0xA1).u8(0xA2).u8(0xA3);                // 17-19 reserved
    b.i32(0x102030).i32(0x405060).i32(0x708090); // 20 back colours
    b.i32(4711);                                 // 32 NextNodeId
    b.u8(0x11).u8(0x12).u8(0x13).u8(0x14).u8(0x15).u8(0x16).u8(0x17).u8(0x18); // 36
    b.i32(-5).i32(7).i32(1024).i32(768);                                       // 44 form bounds
    b.u8(1).u8(0xB1).u8(0xB2).u8(0xB3);    // 60 FormState, 61-63 reserved
    b.i32(333).i32(222);                   // 64 tree
    b.u8(0).u8(1).u8(6);                   // 72 TreeVisible, SplitVertical, ItemView
    b.u8(0).u8(1).u8(1).u8(1).u8(1).u8(0); // 75 Status..MaxCalendar
    b.u8(0xC1).u8(0xC2).u8(0xC3);          // 81-83 reserved
    b.i32(155);                            // 84 CalendarHeight
    b.u8(1).u8(1).u8(0xD1).u8(0xD2);       // 88 ListViewVisible, PreferText, 90-91
    b.i32(123);                            // 92 ListViewHeight
    b.u8(1).u8(0xE1).u8(1).u8(0xE2).u8(0xE3).u8(0).u8(0xE4).u8(0xE5); // 96..103
    b.i32(0x00FF00).i32(0x00FFFF);                                    // 104 link colours
    b.u8(1).u8(0xF1);                                                 // 112, 113
    b.u16(113).u16(5);                                                // 114 hot key
    b.u8(1).u8(0xF2);                                                 // 118, 119
    EXPECT_EQ(b.size(), 120);
    return b.bytes();
}

ByteBuilder& fontBody(ByteBuilder& b, const char* name, int size, int colour, int bold, int italic,
                      int underline) {
    return b.sjis(name).i32(size).i32(colour).u8(bold).u8(italic).u8(underline);
}

// A current-layout record with every tag.
QByteArray fullCurrentRecord() {
    ByteBuilder b;
    b.u8(12);
    b.u8(13).raw(sampleBlock());
    b.u8(9).i32(8);
    const char* labels[8] = {"無印", "赤", "青", "緑", "黄", "紫", "橙", "灰"};
    for (int i = 0; i < 8; ++i)
        b.sjis(labels[i]).i32(15 - i);
    b.u8(15);
    fontBody(b, "游明朝", 11, 0x0000FF, 0, 1, 0);
    fontBody(b, "Tree", 8, 1, 0, 0, 1);
    fontBody(b, "Title", 14, 2, 1, 0, 0);
    fontBody(b, "Link", 7, 3, 0, 1, 1);
    fontBody(b, "List", 13, 4, 1, 1, 1);
    b.u8(16).sjis("yyyy年").sjis("hh:nn");
    b.u8(17).i32(4).u8(1).i32(210).u8(9).i32(150).u8(6).i32(71).u8(11).i32(90);
    b.u8(1);
    return b.bytes();
}

TOptionDesc readRecord(const QByteArray& bytes, qsizetype* end = nullptr) {
    TOptionDesc o;
    TByteReader in(bytes);
    o.ReadFromStream(in);
    if (end)
        *end = in.pos();
    return o;
}

QString illegalMessage(const QByteArray& bytes) {
    TOptionDesc o;
    TByteReader in(bytes);
    try {
        o.ReadFromStream(in);
    } catch (const EIllegalOptionRecord& e) {
        return e.message();
    }
    return QStringLiteral("(no EIllegalOptionRecord)");
}

const QString kStartTag = QStringLiteral(
    "このバージョンではオプション情報（スタートタグ）が正常に読みとれませんでした。");
const QString kUnknownTag =
    QStringLiteral("このバージョンではオプション情報（未知のタグ）が正常に読みとれませんでした。");
const QString kLabelCount =
    QStringLiteral("このバージョンではオプション情報（ラベル数）が正常に読みとれませんでした。");

} // namespace

TEST(OptionRecord, FreshObjectHoldsTheDefaults) {
    TOptionDesc o;
    EXPECT_EQ(o.SisterPos, 2);
    EXPECT_EQ(o.DaughterPos, 5);
    EXPECT_EQ(o.HierSymbol, '.');
    EXPECT_EQ(o.FormWidth, 500);
    EXPECT_EQ(o.FormState, 2);
    EXPECT_EQ(o.InFileLinkColor, 255u);
    EXPECT_EQ(o.HyperLinkColor, 0xFF0000u);
    EXPECT_EQ(o.ClipHotKey, 112);
    EXPECT_EQ(o.ClipHotModifiers, 2);
    EXPECT_FALSE(o.SaveTemporal);
    EXPECT_EQ(o.labelName(0), QStringLiteral("なし"));
    EXPECT_EQ(o.labelName(5), QStringLiteral("個人用"));
    EXPECT_EQ(o.labelName(7), QStringLiteral("計画２"));
    EXPECT_EQ(o.labelName(8), QString());
    EXPECT_EQ(o.labelName(-1), QString());
    EXPECT_EQ(o.LabelImage[6], 6);
    EXPECT_EQ(o.DateFormat, QByteArray("C"));
    EXPECT_EQ(FromSjis(o.DateViewFormat),
              QStringLiteral("yyyy\"-\"m\"-\"d\"(\"ddd\")　\"hh:nn:ss"));
    EXPECT_EQ(o.ColumnCount, 3);
    EXPECT_EQ(o.Columns[0], (TColumnDesc{1, 200}));
    EXPECT_EQ(o.Columns[1], (TColumnDesc{2, 80}));
    EXPECT_EQ(o.Columns[2], (TColumnDesc{3, 70}));
    EXPECT_EQ(FromSjis(o.DefFont.Name), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(o.DefFont.Size, 10);
    EXPECT_EQ(o.TreeViewFont.Size, 9);
    EXPECT_EQ(o.TitleFont.Size, 12);
    EXPECT_TRUE(o.TitleFont.Bold);
    EXPECT_FALSE(o.LinkFont.Bold);
    EXPECT_EQ(o.LinkFont.Charset, 128);
    for (uint8_t byte : o.Block)
        EXPECT_EQ(byte, 0);
    EXPECT_EQ(o.TrashNode, nullptr);
}

TEST(OptionRecord, ReadsEveryTagOfTheCurrentLayout) {
    const QByteArray record = fullCurrentRecord();
    qsizetype end = 0;
    const TOptionDesc o = readRecord(record + QByteArray("\x00\x12", 2), &end);
    EXPECT_EQ(end, record.size()) << "the items start right after tag 1";

    EXPECT_EQ(o.SisterPos, 0);
    EXPECT_EQ(o.DaughterPos, 1);
    EXPECT_EQ(o.AuntPos, 3);
    EXPECT_EQ(o.ClipPos, 4);
    EXPECT_FALSE(o.DateAuto);
    EXPECT_FALSE(o.LinkAuto);
    EXPECT_TRUE(o.ProceedAuto);
    EXPECT_TRUE(o.FinishAuto);
    EXPECT_TRUE(o.ExpandOnlyOne);
    EXPECT_TRUE(o.CheckOutOfDate);
    EXPECT_TRUE(o.HideForm);
    EXPECT_TRUE(o.StayOn);
    EXPECT_TRUE(o.DropExpand);
    EXPECT_FALSE(o.DragCollapse);
    EXPECT_FALSE(o.ConfirmDel);
    EXPECT_TRUE(o.ConfirmSave);
    EXPECT_EQ(o.HierSymbol, '#');
    EXPECT_EQ(o.BackColorTitle, 0x102030u);
    EXPECT_EQ(o.BackColorText, 0x405060u);
    EXPECT_EQ(o.BackColorLink, 0x708090u);
    EXPECT_EQ(o.NextNodeId, 4711);
    EXPECT_EQ(o.FormLeft, -5);
    EXPECT_EQ(o.FormTop, 7);
    EXPECT_EQ(o.FormWidth, 1024);
    EXPECT_EQ(o.FormHeight, 768);
    EXPECT_EQ(o.FormState, 1);
    EXPECT_EQ(o.TreeWidth, 333);
    EXPECT_EQ(o.TreeHeight, 222);
    EXPECT_FALSE(o.TreeVisible);
    EXPECT_TRUE(o.SplitVertical);
    EXPECT_EQ(o.ItemView, 6);
    EXPECT_FALSE(o.StatusVisible);
    EXPECT_TRUE(o.LinkPanelVisible);
    EXPECT_TRUE(o.DatePanelVisible);
    EXPECT_TRUE(o.ShowRuler);
    EXPECT_TRUE(o.ShowCalendar);
    EXPECT_FALSE(o.MaxCalendar);
    EXPECT_EQ(o.CalendarHeight, 155);
    EXPECT_TRUE(o.ListViewVisible);
    EXPECT_TRUE(o.PreferText);
    EXPECT_EQ(o.ListViewHeight, 123);
    EXPECT_TRUE(o.SaveTemporal);
    EXPECT_TRUE(o.SaveBAKFile);
    EXPECT_FALSE(o.WordWrap);
    EXPECT_EQ(o.InFileLinkColor, 0x00FF00u);
    EXPECT_EQ(o.HyperLinkColor, 0x00FFFFu);
    EXPECT_TRUE(o.TrashOnTerminate);
    EXPECT_EQ(o.ClipHotKey, 113);
    EXPECT_EQ(o.ClipHotModifiers, 5);
    EXPECT_TRUE(o.ShowProcs);

    EXPECT_EQ(o.labelName(0), QStringLiteral("無印"));
    EXPECT_EQ(o.labelName(7), QStringLiteral("灰"));
    EXPECT_EQ(o.LabelImage[0], 15);
    EXPECT_EQ(o.LabelImage[7], 8);

    EXPECT_EQ(FromSjis(o.DefFont.Name), QStringLiteral("游明朝"));
    EXPECT_EQ(o.DefFont.Size, 11);
    EXPECT_EQ(o.DefFont.Color, 0x0000FF);
    EXPECT_TRUE(o.DefFont.Italic);
    EXPECT_FALSE(o.DefFont.Bold);
    EXPECT_EQ(o.TreeViewFont.Name, QByteArray("Tree"));
    EXPECT_TRUE(o.TreeViewFont.Underline);
    EXPECT_EQ(o.TitleFont.Name, QByteArray("Title"));
    EXPECT_EQ(o.TitleFont.Size, 14);
    EXPECT_EQ(o.LinkFont.Name, QByteArray("Link"));
    EXPECT_EQ(o.LinkFont.Color, 3);
    EXPECT_EQ(o.ListViewFont.Name, QByteArray("List"));
    EXPECT_TRUE(o.ListViewFont.Bold && o.ListViewFont.Italic && o.ListViewFont.Underline);

    EXPECT_EQ(FromSjis(o.DateFormat), QStringLiteral("yyyy年"));
    EXPECT_EQ(o.DateViewFormat, QByteArray("hh:nn"));

    ASSERT_EQ(o.ColumnCount, 4);
    EXPECT_EQ(o.Columns[0], (TColumnDesc{1, 210}));
    EXPECT_EQ(o.Columns[1], (TColumnDesc{9, 150}));
    EXPECT_EQ(o.Columns[2], (TColumnDesc{6, 71}));
    EXPECT_EQ(o.Columns[3], (TColumnDesc{11, 90}));

    const QByteArray block = sampleBlock();
    for (int i = 0; i < 120; ++i)
        EXPECT_EQ(o.Block[size_t(i)], uint8_t(block.at(i))) << "block byte " << i;
}

TEST(OptionRecord, WriterEmitsTheRecordInItsFixedOrder) {
    TOptionDesc o;
    o.LabelText[8] = "unused";
    o.ColumnCount = 2;
    o.Columns[1] = TColumnDesc{7, 66};
    QByteArray out;
    TByteWriter w(out);
    o.WriteToStream(w);

    ByteBuilder b;
    b.u8(12).u8(13);
    b.u8(2).u8(5).u8(2).u8(2);
    b.u8(1).u8(1).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(1).u8(1).u8(0);
    b.u8('.').zeros(3);
    b.i32(0xFFFFFF).i32(0xFFFFFF).i32(0xFFFFFF).i32(1).zeros(8);
    b.i32(0).i32(0).i32(500).i32(400).u8(2).zeros(3);
    b.i32(200).i32(100).u8(1).u8(0).u8(0);
    b.u8(1).u8(0).u8(0).u8(0).u8(0).u8(1).zeros(3);
    b.i32(100).u8(0).u8(0).zeros(2).i32(100);
    b.u8(0).zeros(1).u8(0).zeros(2).u8(1).zeros(2);
    b.i32(255).i32(0xFF0000).u8(0).zeros(1).u16(112).u16(2).u8(0).zeros(1);
    b.u8(9).i32(8);
    const char* labels[8] = {"なし", "至急", "必須", "重要", "未決", "個人用", "計画１", "計画２"};
    for (int i = 0; i < 8; ++i)
        b.sjis(labels[i]).i32(i);
    b.u8(15);
    fontBody(b, "ＭＳ Ｐゴシック", 10, 0, 0, 0, 0);
    fontBody(b, "ＭＳ Ｐゴシック", 9, 0, 0, 0, 0);
    fontBody(b, "ＭＳ Ｐゴシック", 12, 0, 1, 0, 0);
    fontBody(b, "ＭＳ Ｐゴシック", 9, 0, 0, 0, 0);
    b.str(o.ListViewFont.Name).i32(o.ListViewFont.Size).i32(0).u8(0).u8(0).u8(0);
    b.u8(16).str("C").sjis("yyyy\"-\"m\"-\"d\"(\"ddd\")　\"hh:nn:ss");
    b.u8(17).i32(2).u8(1).i32(200).u8(7).i32(66);
    b.u8(1);
    EXPECT_EQ(out.toHex(' '), b.bytes().toHex(' '));
}

TEST(OptionRecord, ReservedBytesAreCarriedAndTheZeroedRangeIsCleared) {
    const TOptionDesc o = readRecord(fullCurrentRecord());
    QByteArray out;
    TByteWriter w(out);
    o.WriteToStream(w);
    ASSERT_GE(out.size(), 122);
    const QByteArray written = out.mid(2, 120);
    QByteArray expected = sampleBlock();
    for (int i = 36; i < 44; ++i)
        expected[i] = 0;
    EXPECT_EQ(written.toHex(' '), expected.toHex(' '));
}

TEST(OptionRecord, WriteThenReadGivesTheSameSettings) {
    TOptionDesc a = readRecord(fullCurrentRecord());
    a.ColumnCount = 11;
    for (int i = 0; i < 11; ++i)
        a.Columns[size_t(i)] = TColumnDesc{uint8_t(i + 1), 10 * i + 5};
    a.HierSymbol = char(0x81);
    QByteArray out;
    TByteWriter w(out);
    a.WriteToStream(w);
    const TOptionDesc b = readRecord(out);
    EXPECT_EQ(b.HierSymbol, char(0x81));
    EXPECT_EQ(b.NextNodeId, a.NextNodeId);
    EXPECT_EQ(b.ClipHotModifiers, a.ClipHotModifiers);
    EXPECT_EQ(b.LabelText, a.LabelText);
    EXPECT_EQ(b.LabelImage, a.LabelImage);
    EXPECT_EQ(b.DefFont, a.DefFont);
    EXPECT_EQ(b.ListViewFont, a.ListViewFont);
    EXPECT_EQ(b.DateFormat, a.DateFormat);
    EXPECT_EQ(b.ColumnCount, 11);
    EXPECT_EQ(b.Columns, a.Columns);
    QByteArray again;
    TByteWriter w2(again);
    b.WriteToStream(w2);
    EXPECT_EQ(again, out);
}

TEST(OptionRecord, FixUpsAfterTheBlock) {
    auto withBlock = [](int inFile, int hyper, int key, int mods) {
        QByteArray block = sampleBlock();
        ByteOrder::putI32(block.data() + 104, inFile);
        ByteOrder::putI32(block.data() + 108, hyper);
        ByteOrder::putU16(block.data() + 114, uint16_t(key));
        ByteOrder::putU16(block.data() + 116, uint16_t(mods));
        return readRecord(ByteBuilder().u8(12).u8(13).raw(block).u8(1).bytes());
    };
    TOptionDesc o = withBlock(0, 0, 0, 0);
    EXPECT_EQ(o.InFileLinkColor, 255u);
    EXPECT_EQ(o.HyperLinkColor, 0xFF0000u);
    EXPECT_EQ(o.ClipHotKey, 112);
    EXPECT_EQ(o.ClipHotModifiers, 2);

    o = withBlock(0, 0x123, 0, 4);
    EXPECT_EQ(o.InFileLinkColor, 0u);
    EXPECT_EQ(o.HyperLinkColor, 0x123u);
    EXPECT_EQ(o.ClipHotKey, 0);
    EXPECT_EQ(o.ClipHotModifiers, 4);

    o = withBlock(7, 0, 65, 0);
    EXPECT_EQ(o.InFileLinkColor, 7u);
    EXPECT_EQ(o.HyperLinkColor, 0u);
    EXPECT_EQ(o.ClipHotKey, 65);
    EXPECT_EQ(o.ClipHotModifiers, 0);
}

TEST(OptionRecord, ItemViewOutsideTheCaptionFormsReadsAsZero) {
    QByteArray block = sampleBlock();
    block[74] = char(9);
    const TOptionDesc o = readRecord(ByteBuilder().u8(12).u8(13).raw(block).u8(1).bytes());
    EXPECT_EQ(o.ItemView, 0);
}

TEST(OptionRecord, ColumnList) {
    // Without tag 17 one item-name column, whatever was there before.
    TOptionDesc o = readRecord(ByteBuilder().u8(12).u8(1).bytes());
    EXPECT_EQ(o.ColumnCount, 1);
    EXPECT_EQ(o.Columns[0], (TColumnDesc{1, 200}));

    // Twelve entries read as eleven; the twelfth is passed over, not taken as a tag.
    ByteBuilder twelve;
    twelve.u8(12).u8(17).i32(12);
    for (int i = 0; i < 12; ++i)
        twelve.u8(i == 0 ? 1 : 2 + (i % 10)).i32(100 + i);
    twelve.u8(16).str("X").str("Y").u8(1);
    qsizetype end = 0;
    o = readRecord(twelve.bytes(), &end);
    EXPECT_EQ(end, twelve.size());
    EXPECT_EQ(o.ColumnCount, 11);
    EXPECT_EQ(o.Columns[10].Width, 110);
    EXPECT_EQ(o.DateFormat, QByteArray("X"));

    // A count of zero or below leaves the single item-name column.
    for (int n : {0, -1, -2000000000}) {
        o = readRecord(ByteBuilder().u8(12).u8(17).i32(n).u8(1).bytes());
        EXPECT_EQ(o.ColumnCount, 1) << n;
        EXPECT_EQ(o.Columns[0], (TColumnDesc{1, 200})) << n;
    }

    // Entry 0 is always the item name.
    o = readRecord(ByteBuilder().u8(12).u8(17).i32(2).u8(5).i32(90).u8(3).i32(70).u8(1).bytes());
    EXPECT_EQ(o.ColumnCount, 2);
    EXPECT_EQ(o.Columns[0], (TColumnDesc{1, 90}));
    EXPECT_EQ(o.Columns[1], (TColumnDesc{3, 70}));

    // A count the record cannot hold is a read error, not a large allocation.
    EXPECT_THROW(readRecord(ByteBuilder().u8(12).u8(17).i32(0x7FFFFFFF).u8(1).i32(5).u8(1).bytes()),
                 EReadError);
}

TEST(OptionRecord, ShortLabelRecord) {
    ByteBuilder seven;
    seven.u8(12).u8(14).i32(7);
    const char* names[7] = {"い", "ろ", "は", "に", "ほ", "へ", "と"};
    for (const char* n : names)
        seven.sjis(n);
    seven.u8(1);
    TOptionDesc before;
    before.LabelText[0] = "zero";
    before.LabelImage = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    TByteReader in(seven.bytes());
    before.ReadFromStream(in);
    EXPECT_EQ(before.labelName(0), QStringLiteral("なし"));
    EXPECT_EQ(before.labelName(1), QStringLiteral("い"));
    EXPECT_EQ(before.labelName(7), QStringLiteral("と"));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(before.LabelImage[size_t(i)], i);

    TOptionDesc o = readRecord(
        ByteBuilder().u8(12).u8(14).i32(3).sjis("甲").sjis("乙").sjis("丙").u8(1).bytes());
    EXPECT_EQ(o.labelName(0), QStringLiteral("甲"));
    EXPECT_EQ(o.labelName(2), QStringLiteral("丙"));
    EXPECT_EQ(o.labelName(3), QStringLiteral("重要")) << "labels past n keep their value";
    EXPECT_EQ(o.LabelImage[2], 2);
}

TEST(OptionRecord, LabelRecordsUpToSixteenEntries) {
    ByteBuilder nine;
    nine.u8(12).u8(9).i32(16);
    for (int i = 0; i < 16; ++i)
        nine.str(QByteArray("L") + QByteArray::number(i)).i32(i + 100);
    nine.u8(1);
    const TOptionDesc o = readRecord(nine.bytes());
    EXPECT_EQ(o.LabelText[15], QByteArray("L15"));
    EXPECT_EQ(o.LabelImage[15], 115);

    ByteBuilder fourteen;
    fourteen.u8(12).u8(14).i32(16);
    for (int i = 0; i < 16; ++i)
        fourteen.str("x");
    fourteen.u8(1);
    EXPECT_EQ(readRecord(fourteen.bytes()).LabelText[15], QByteArray("x"));
}

TEST(OptionRecord, IllegalRecordsAndTheirMessages) {
    struct Case {
        const char* what;
        QByteArray bytes;
        QString message;
    };
    std::vector<Case> cases = {
        {"start 5", ByteBuilder().u8(5).u8(1).bytes(), kStartTag},
        {"start 13", ByteBuilder().u8(13).bytes(), kStartTag},
        {"start 255", ByteBuilder().u8(255).bytes(), kStartTag},
        {"label tag 9, 17 entries", ByteBuilder().u8(12).u8(9).i32(17).bytes(), kLabelCount},
        {"label tag 14, 17 entries", ByteBuilder().u8(12).u8(14).i32(17).bytes(), kLabelCount},
        {"label tag 9, huge", ByteBuilder().u8(12).u8(9).i32(0x7FFFFFFF).bytes(), kLabelCount},
    };
    for (int tag : {0, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 18, 100, 255})
        cases.push_back(
            {"current layout tag", ByteBuilder().u8(12).u8(tag).u8(1).bytes(), kUnknownTag});
    for (int tag : {12, 13, 14, 17, 200})
        cases.push_back(
            {"earlier layout tag", ByteBuilder().u8(0).u8(tag).u8(1).bytes(), kUnknownTag});
    for (const Case& c : cases)
        EXPECT_EQ(illegalMessage(c.bytes), c.message)
            << c.what << " " << c.bytes.toHex().constData();
}

TEST(OptionRecord, NegativeLabelCountReadsNoLabels) {
    const TOptionDesc o = readRecord(ByteBuilder().u8(12).u8(9).i32(-3).u8(1).bytes());
    EXPECT_EQ(o.labelName(1), QStringLiteral("至急"));
}

TEST(OptionRecord, TruncatedRecordsFailWithReadError) {
    ByteBuilder earlier;
    earlier.u8(0).u8(2).i32(1).i32(2).i32(3).u8(4).u8(1);
    for (const QByteArray& full : {fullCurrentRecord(), earlier.bytes()}) {
        for (int len = 0; len < full.size(); ++len) {
            const QByteArray cut = full.left(len);
            TOptionDesc o;
            TByteReader in(cut);
            EXPECT_THROW(o.ReadFromStream(in), EReadError) << "length " << len;
        }
    }
}

TEST(OptionRecord, DamagedStringLengthsAreReadErrors) {
    for (int32_t len : {-1, -100, 1000, 0x7FFFFFFF}) {
        const QByteArray bytes = ByteBuilder().u8(12).u8(16).i32(len).raw("abc").u8(1).bytes();
        TOptionDesc o;
        TByteReader in(bytes);
        EXPECT_THROW(o.ReadFromStream(in), EReadError) << len;
    }
}

TEST(OptionRecord, FailedReadLeavesTheSettingsAsTheyWere) {
    TOptionDesc o;
    o.FormWidth = 777;
    o.ColumnCount = 2;
    QByteArray bytes = ByteBuilder().u8(12).u8(13).raw(sampleBlock()).u8(16).i32(99).bytes();
    TByteReader in(bytes);
    EXPECT_THROW(o.ReadFromStream(in), EReadError);
    EXPECT_EQ(o.FormWidth, 777);
    EXPECT_EQ(o.ColumnCount, 2);
    for (uint8_t byte : o.Block)
        EXPECT_EQ(byte, 0);
}
