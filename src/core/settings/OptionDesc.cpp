#include "settings/OptionDesc.h"

#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "settings/DefaultsStore.h"

#include <algorithm>
#include <limits>

// ---------------------------------------------------------------- exceptions

EIllegalOptionRecord::EIllegalOptionRecord(const QString& message)
    : std::runtime_error(message.toStdString()), m_message(message) {}

QString EIllegalOptionRecord::startTagMessage() {
    return QStringLiteral(
        "このバージョンではオプション情報（スタートタグ）が正常に読みとれませんでした。");
}

QString EIllegalOptionRecord::unknownTagMessage() {
    return QStringLiteral(
        "このバージョンではオプション情報（未知のタグ）が正常に読みとれませんでした。");
}

QString EIllegalOptionRecord::labelCountMessage() {
    return QStringLiteral(
        "このバージョンではオプション情報（ラベル数）が正常に読みとれませんでした。");
}

ESettingsStoreError::ESettingsStoreError(const QString& message)
    : std::runtime_error(message.toStdString()), m_message(message) {}

// ---------------------------------------------------------------- defaults

namespace {

QByteArray sjis(const QString& text) {
    return Cp932::fromUnicode(text);
}

TFontDesc defaultFont(int size, bool bold = false) {
    TFontDesc f;
    f.Name = sjis(QStringLiteral("ＭＳ Ｐゴシック"));
    f.Size = size;
    f.Bold = bold;
    return f;
}

TFontDesc defaultDefFont() {
    return defaultFont(10);
}
TFontDesc defaultTreeViewFont() {
    return defaultFont(9);
}
TFontDesc defaultTitleFont() {
    return defaultFont(12, true);
}
TFontDesc defaultLinkFont() {
    return defaultFont(9);
}

TFontDesc defaultListViewFont() {
    TFontDesc f;
    f.Size = 9;
    return f;
}

// Standard width of each focus tray column kind 1..11.
int32_t standardColumnWidth(int kind) {
    static const int32_t widths[] = {200, 80, 70, 70, 70, 70, 70, 200, 150, 50, 80};
    return kind >= 1 && kind <= 11 ? widths[kind - 1] : 80;
}

// Offsets in the settings block.
namespace Off {
constexpr int SisterPos = 0, DaughterPos = 1, AuntPos = 2, ClipPos = 3;
constexpr int DateAuto = 4, LinkAuto = 5, ProceedAuto = 6, FinishAuto = 7, ExpandOnlyOne = 8,
              CheckOutOfDate = 9, HideForm = 10, StayOn = 11, DropExpand = 12, DragCollapse = 13,
              ConfirmDel = 14, ConfirmSave = 15;
constexpr int HierSymbol = 16;
constexpr int BackColorTitle = 20, BackColorText = 24, BackColorLink = 28;
constexpr int NextNodeId = 32;
constexpr int Zeroed = 36, ZeroedSize = 8;
constexpr int FormLeft = 44, FormTop = 48, FormWidth = 52, FormHeight = 56, FormState = 60;
constexpr int TreeWidth = 64, TreeHeight = 68, TreeVisible = 72, SplitVertical = 73, ItemView = 74;
constexpr int StatusVisible = 75, LinkPanelVisible = 76, DatePanelVisible = 77, ShowRuler = 78,
              ShowCalendar = 79, MaxCalendar = 80;
constexpr int CalendarHeight = 84, ListViewVisible = 88, PreferText = 89, ListViewHeight = 92;
constexpr int SaveTemporal = 96, SaveBAKFile = 98, WordWrap = 101;
constexpr int InFileLinkColor = 104, HyperLinkColor = 108, TrashOnTerminate = 112;
constexpr int ClipHotKey = 114, ClipHotModifiers = 116, ShowProcs = 118;
} // namespace Off

constexpr int MaxItemView = 8;

} // namespace

QByteArray TOptionDesc::defaultLabelText(int index) {
    static const char* const names[TOptionDesc::LabelsUsed] = {
        "なし", "至急", "必須", "重要", "未決", "個人用", "計画１", "計画２"};
    if (index < 0 || index >= LabelsUsed)
        return QByteArray();
    return sjis(QString::fromUtf8(names[index]));
}

QByteArray TOptionDesc::defaultDateFormat() {
    return QByteArrayLiteral("C");
}

QByteArray TOptionDesc::defaultDateViewFormat() {
    return sjis(QStringLiteral("yyyy\"-\"m\"-\"d\"(\"ddd\")　\"hh:nn:ss"));
}

TColumnDesc TOptionDesc::defaultColumn(int index) {
    static const TColumnDesc first[3] = {{1, 200}, {2, 80}, {3, 70}};
    if (index >= 0 && index < 3)
        return first[index];
    // Beyond the three standard columns: kind by position, at its standard width.
    TColumnDesc c;
    c.Kind = uint8_t(std::clamp(index + 1, 1, MaxColumns));
    c.Width = standardColumnWidth(c.Kind);
    return c;
}

TOptionDesc::TOptionDesc() {
    setDefaultValues();
    FontCharset = [](const QByteArray&) { return 128; };
}

// Every setting at its built-in default.
void TOptionDesc::setDefaultValues() {
    SisterPos = 2;
    DaughterPos = 5;
    AuntPos = 2;
    ClipPos = 2;
    DateAuto = true;
    LinkAuto = true;
    ProceedAuto = false;
    FinishAuto = false;
    ExpandOnlyOne = false;
    CheckOutOfDate = false;
    HideForm = false;
    StayOn = false;
    DropExpand = false;
    DragCollapse = true;
    ConfirmDel = true;
    ConfirmSave = false;
    HierSymbol = '.';
    BackColorTitle = 0xFFFFFF;
    BackColorText = 0xFFFFFF;
    BackColorLink = 0xFFFFFF;
    FormLeft = 0;
    FormTop = 0;
    FormWidth = 500;
    FormHeight = 400;
    FormState = 2;
    TreeWidth = 200;
    TreeHeight = 100;
    TreeVisible = true;
    SplitVertical = false;
    ItemView = 0;
    StatusVisible = true;
    LinkPanelVisible = false;
    DatePanelVisible = false;
    ShowRuler = false;
    ShowCalendar = false;
    MaxCalendar = true;
    CalendarHeight = 100;
    ListViewVisible = false;
    PreferText = false;
    ListViewHeight = 100;
    WordWrap = true;
    InFileLinkColor = 255;
    HyperLinkColor = 0xFF0000;
    ClipHotKey = 112;
    ClipHotModifiers = 2;
    for (int i = 0; i < LabelCapacity; ++i) {
        LabelText[size_t(i)] = defaultLabelText(i);
        LabelImage[size_t(i)] = i < LabelsUsed ? i : 0;
    }
    DateFormat = defaultDateFormat();
    DateViewFormat = defaultDateViewFormat();
    ColumnCount = 3;
    for (int i = 0; i < MaxColumns; ++i)
        Columns[size_t(i)] = defaultColumn(i);
    DefFont = defaultDefFont();
    TreeViewFont = defaultTreeViewFont();
    TitleFont = defaultTitleFont();
    LinkFont = defaultLinkFont();
    ListViewFont = defaultListViewFont();
}

QString TOptionDesc::labelName(int index) const {
    if (index < 0 || index >= LabelsUsed)
        return QString();
    return Cp932::toUnicode(LabelText[size_t(index)]);
}

// ---------------------------------------------------------------- document record

void TOptionDesc::ReadFromStream(TByteReader& in) {
    // Read into a copy, so that a record that fails leaves these settings as they were.
    TOptionDesc next(*this);
    const uint8_t mark = in.u8("設定の始まり");
    if (mark == CurrentLayout)
        next.readCurrentLayout(in);
    else if (mark == EarlierLayout)
        next.readEarlierLayout(in);
    else
        throw EIllegalOptionRecord(EIllegalOptionRecord::startTagMessage());
    *this = std::move(next);
}

namespace {

// A label count that cannot fit the table is refused rather than truncated:
// the entries after it would be read as tags.
int32_t readLabelCount(TByteReader& in) {
    const int32_t n = in.i32("ラベルの数");
    if (n > TOptionDesc::LabelCapacity)
        throw EIllegalOptionRecord(EIllegalOptionRecord::labelCountMessage());
    return std::max(n, 0);
}

} // namespace

void TOptionDesc::readCurrentLayout(TByteReader& in) {
    ColumnCount = 1;
    Columns[0] = TColumnDesc{1, 200};
    for (;;) {
        const uint8_t tag = in.u8("設定の印");
        switch (tag) {
        case 1:
            return;
        case 13:
            readBlock(in);
            if (InFileLinkColor == 0 && HyperLinkColor == 0) {
                InFileLinkColor = 255;
                HyperLinkColor = 0xFF0000;
            }
            if (ClipHotKey == 0 && ClipHotModifiers == 0) {
                ClipHotKey = 112;
                ClipHotModifiers = 2;
            }
            break;
        case 9: {
            const int32_t n = readLabelCount(in);
            for (int i = 0; i < n; ++i) {
                LabelText[size_t(i)] = in.string("ラベルの名前");
                LabelImage[size_t(i)] = in.i32("ラベルの画像");
            }
            break;
        }
        case 14: {
            const int32_t n = readLabelCount(in);
            const int first = n == 7 ? 1 : 0;
            for (int i = 0; i < n; ++i) {
                LabelText[size_t(first + i)] = in.string("ラベルの名前");
                LabelImage[size_t(first + i)] = first + i;
            }
            if (n == 7) {
                LabelText[0] = defaultLabelText(0);
                LabelImage[0] = 0;
            }
            break;
        }
        case 15:
            readFontBody(in, DefFont, false);
            readFontBody(in, TreeViewFont, false);
            readFontBody(in, TitleFont, false);
            readFontBody(in, LinkFont, false);
            readFontBody(in, ListViewFont, false);
            break;
        case 16:
            DateFormat = in.string("日付の書式");
            DateViewFormat = in.string("日付の書式");
            break;
        case 17: {
            const int32_t n = in.i32("カラムの数");
            constexpr int entrySize = 5;
            const int kept = std::clamp(n, 0, MaxColumns);
            for (int i = 0; i < kept; ++i) {
                Columns[size_t(i)].Kind = in.u8("カラムの種類");
                Columns[size_t(i)].Width = in.i32("カラムの幅");
            }
            // Entries past the eleventh are passed over, not read as tags.
            if (n > kept)
                in.skip(qint64(n - kept) * entrySize, "カラムの一覧");
            if (kept == 0) {
                ColumnCount = 1;
                Columns[0] = TColumnDesc{1, 200};
            } else {
                ColumnCount = kept;
                Columns[0].Kind = 1;
            }
            break;
        }
        default:
            throw EIllegalOptionRecord(EIllegalOptionRecord::unknownTagMessage());
        }
    }
}

void TOptionDesc::readEarlierLayout(TByteReader& in) {
    ResetToDefaults();
    int ignored = 0;
    for (;;) {
        const uint8_t tag = in.u8("設定の印");
        if (tag == 0 || tag == 6) {
            if (++ignored >= MaxIgnoredTagRun)
                throw IgnoredTagRunError(QStringLiteral("設定の記録"), in.pos());
            continue;
        }
        ignored = 0;
        switch (tag) {
        case 1:
            return;
        case 2:
            FormLeft = in.i32("ウィンドウの位置");
            FormTop = in.i32("ウィンドウの位置");
            FormWidth = in.i32("ウィンドウの大きさ");
            FormHeight = in.i32("ウィンドウの大きさ");
            FormState = in.u8("ウィンドウの状態");
            break;
        case 3: {
            SplitVertical = in.boolean();
            TreeWidth = in.i32("ツリーの幅");
            TreeHeight = in.i32("ツリーの高さ");
            TreeVisible = in.boolean();
            const uint8_t view = in.u8();
            ItemView = view <= MaxItemView ? view : 0;
            readFontBody(in, TreeViewFont, true);
            break;
        }
        case 4:
            in.u8();
            readFontBody(in, TitleFont, true);
            break;
        case 5:
            LinkPanelVisible = in.boolean();
            readFontBody(in, LinkFont, true);
            break;
        case 7:
            DatePanelVisible = true;
            break;
        case 8:
            in.skip(8, "設定");
            break;
        case 9:
            for (int i = 1; i <= 7; ++i) {
                LabelText[size_t(i)] = in.string("ラベルの名前");
                LabelImage[size_t(i)] = i;
            }
            break;
        case 10:
            StatusVisible = true;
            break;
        case 11:
            NextNodeId = in.i32("次の項目の番号");
            break;
        default:
            throw EIllegalOptionRecord(EIllegalOptionRecord::unknownTagMessage());
        }
    }
}

void TOptionDesc::readFontBody(TByteReader& in, TFontDesc& font, bool lookUpCharset) {
    font.Name = in.string("フォント名");
    font.Size = in.i32("フォントの大きさ");
    font.Color = in.i32("フォントの色");
    font.Bold = in.boolean();
    font.Italic = in.boolean();
    font.Underline = in.boolean();
    if (lookUpCharset) {
        const int charset = FontCharset ? FontCharset(font.Name) : 128;
        font.Charset = uint8_t(charset >= 0 && charset <= 255 ? charset : 128);
    }
}

namespace {

int32_t i32At(const std::array<uint8_t, TOptionDesc::BlockSize>& b, int off) {
    return ByteOrder::i32At(reinterpret_cast<const char*>(b.data()) + off);
}
uint32_t u32At(const std::array<uint8_t, TOptionDesc::BlockSize>& b, int off) {
    return uint32_t(i32At(b, off));
}
uint16_t u16At(const std::array<uint8_t, TOptionDesc::BlockSize>& b, int off) {
    return ByteOrder::u16At(reinterpret_cast<const char*>(b.data()) + off);
}
void putI32(std::array<uint8_t, TOptionDesc::BlockSize>& b, int off, int32_t v) {
    ByteOrder::putI32(reinterpret_cast<char*>(b.data()) + off, v);
}
void putU16(std::array<uint8_t, TOptionDesc::BlockSize>& b, int off, uint16_t v) {
    ByteOrder::putU16(reinterpret_cast<char*>(b.data()) + off, v);
}

} // namespace

void TOptionDesc::readBlock(TByteReader& in) {
    const QByteArray raw = in.bytes(BlockSize, "設定の固定部");
    std::copy(raw.begin(), raw.end(), Block.begin());
    const auto& b = Block;
    SisterPos = b[Off::SisterPos];
    DaughterPos = b[Off::DaughterPos];
    AuntPos = b[Off::AuntPos];
    ClipPos = b[Off::ClipPos];
    DateAuto = b[Off::DateAuto] != 0;
    LinkAuto = b[Off::LinkAuto] != 0;
    ProceedAuto = b[Off::ProceedAuto] != 0;
    FinishAuto = b[Off::FinishAuto] != 0;
    ExpandOnlyOne = b[Off::ExpandOnlyOne] != 0;
    CheckOutOfDate = b[Off::CheckOutOfDate] != 0;
    HideForm = b[Off::HideForm] != 0;
    StayOn = b[Off::StayOn] != 0;
    DropExpand = b[Off::DropExpand] != 0;
    DragCollapse = b[Off::DragCollapse] != 0;
    ConfirmDel = b[Off::ConfirmDel] != 0;
    ConfirmSave = b[Off::ConfirmSave] != 0;
    HierSymbol = char(b[Off::HierSymbol]);
    BackColorTitle = u32At(b, Off::BackColorTitle);
    BackColorText = u32At(b, Off::BackColorText);
    BackColorLink = u32At(b, Off::BackColorLink);
    NextNodeId = i32At(b, Off::NextNodeId);
    FormLeft = i32At(b, Off::FormLeft);
    FormTop = i32At(b, Off::FormTop);
    FormWidth = i32At(b, Off::FormWidth);
    FormHeight = i32At(b, Off::FormHeight);
    FormState = b[Off::FormState];
    TreeWidth = i32At(b, Off::TreeWidth);
    TreeHeight = i32At(b, Off::TreeHeight);
    TreeVisible = b[Off::TreeVisible] != 0;
    SplitVertical = b[Off::SplitVertical] != 0;
    // The tree's caption forms are 0..8; anything else would index past them.
    ItemView = b[Off::ItemView] <= MaxItemView ? b[Off::ItemView] : 0;
    StatusVisible = b[Off::StatusVisible] != 0;
    LinkPanelVisible = b[Off::LinkPanelVisible] != 0;
    DatePanelVisible = b[Off::DatePanelVisible] != 0;
    ShowRuler = b[Off::ShowRuler] != 0;
    ShowCalendar = b[Off::ShowCalendar] != 0;
    MaxCalendar = b[Off::MaxCalendar] != 0;
    CalendarHeight = i32At(b, Off::CalendarHeight);
    ListViewVisible = b[Off::ListViewVisible] != 0;
    PreferText = b[Off::PreferText] != 0;
    ListViewHeight = i32At(b, Off::ListViewHeight);
    SaveTemporal = b[Off::SaveTemporal] != 0;
    SaveBAKFile = b[Off::SaveBAKFile] != 0;
    WordWrap = b[Off::WordWrap] != 0;
    InFileLinkColor = u32At(b, Off::InFileLinkColor);
    HyperLinkColor = u32At(b, Off::HyperLinkColor);
    TrashOnTerminate = b[Off::TrashOnTerminate] != 0;
    ClipHotKey = u16At(b, Off::ClipHotKey);
    ClipHotModifiers = u16At(b, Off::ClipHotModifiers);
    ShowProcs = b[Off::ShowProcs] != 0;
}

void TOptionDesc::writeBlock(TByteWriter& out) const {
    std::array<uint8_t, BlockSize> b = Block;
    b[Off::SisterPos] = SisterPos;
    b[Off::DaughterPos] = DaughterPos;
    b[Off::AuntPos] = AuntPos;
    b[Off::ClipPos] = ClipPos;
    b[Off::DateAuto] = DateAuto;
    b[Off::LinkAuto] = LinkAuto;
    b[Off::ProceedAuto] = ProceedAuto;
    b[Off::FinishAuto] = FinishAuto;
    b[Off::ExpandOnlyOne] = ExpandOnlyOne;
    b[Off::CheckOutOfDate] = CheckOutOfDate;
    b[Off::HideForm] = HideForm;
    b[Off::StayOn] = StayOn;
    b[Off::DropExpand] = DropExpand;
    b[Off::DragCollapse] = DragCollapse;
    b[Off::ConfirmDel] = ConfirmDel;
    b[Off::ConfirmSave] = ConfirmSave;
    b[Off::HierSymbol] = uint8_t(HierSymbol);
    putI32(b, Off::BackColorTitle, int32_t(BackColorTitle));
    putI32(b, Off::BackColorText, int32_t(BackColorText));
    putI32(b, Off::BackColorLink, int32_t(BackColorLink));
    putI32(b, Off::NextNodeId, NextNodeId);
    std::fill_n(b.begin() + Off::Zeroed, Off::ZeroedSize, uint8_t(0));
    putI32(b, Off::FormLeft, FormLeft);
    putI32(b, Off::FormTop, FormTop);
    putI32(b, Off::FormWidth, FormWidth);
    putI32(b, Off::FormHeight, FormHeight);
    b[Off::FormState] = FormState;
    putI32(b, Off::TreeWidth, TreeWidth);
    putI32(b, Off::TreeHeight, TreeHeight);
    b[Off::TreeVisible] = TreeVisible;
    b[Off::SplitVertical] = SplitVertical;
    b[Off::ItemView] = ItemView;
    b[Off::StatusVisible] = StatusVisible;
    b[Off::LinkPanelVisible] = LinkPanelVisible;
    b[Off::DatePanelVisible] = DatePanelVisible;
    b[Off::ShowRuler] = ShowRuler;
    b[Off::ShowCalendar] = ShowCalendar;
    b[Off::MaxCalendar] = MaxCalendar;
    putI32(b, Off::CalendarHeight, CalendarHeight);
    b[Off::ListViewVisible] = ListViewVisible;
    b[Off::PreferText] = PreferText;
    putI32(b, Off::ListViewHeight, ListViewHeight);
    b[Off::SaveTemporal] = SaveTemporal;
    b[Off::SaveBAKFile] = SaveBAKFile;
    b[Off::WordWrap] = WordWrap;
    putI32(b, Off::InFileLinkColor, int32_t(InFileLinkColor));
    putI32(b, Off::HyperLinkColor, int32_t(HyperLinkColor));
    b[Off::TrashOnTerminate] = TrashOnTerminate;
    putU16(b, Off::ClipHotKey, ClipHotKey);
    putU16(b, Off::ClipHotModifiers, ClipHotModifiers);
    b[Off::ShowProcs] = ShowProcs;
    out.bytes(QByteArray(reinterpret_cast<const char*>(b.data()), BlockSize));
}

void TOptionDesc::WriteToStream(TByteWriter& out) const {
    out.u8(CurrentLayout);
    out.u8(13);
    writeBlock(out);
    out.u8(9);
    out.i32(LabelsUsed);
    for (int i = 0; i < LabelsUsed; ++i) {
        out.string(LabelText[size_t(i)]);
        out.i32(LabelImage[size_t(i)]);
    }
    out.u8(15);
    for (const TFontDesc* f : {&DefFont, &TreeViewFont, &TitleFont, &LinkFont, &ListViewFont}) {
        out.string(f->Name);
        out.i32(f->Size);
        out.i32(f->Color);
        out.boolean(f->Bold);
        out.boolean(f->Italic);
        out.boolean(f->Underline);
    }
    out.u8(16);
    out.string(DateFormat);
    out.string(DateViewFormat);
    out.u8(17);
    const int count = std::clamp(ColumnCount, 1, int32_t(MaxColumns));
    out.i32(count);
    for (int i = 0; i < count; ++i) {
        out.u8(i == 0 ? uint8_t(1) : Columns[size_t(i)].Kind);
        out.i32(Columns[size_t(i)].Width);
    }
    out.u8(1);
}

// ---------------------------------------------------------------- defaults store

void TOptionDesc::ResetToDefaults() {
    NextNodeId = 1;
    Block.fill(0);
    LoadDefaults();
}

namespace {

class StoreReader {
public:
    explicit StoreReader(const QSettings& s) : m_s(s) {}

    qint64 integer(const char* key, qint64 def, qint64 lo, qint64 hi) const {
        bool ok = false;
        const qint64 v = DefaultsStore::parseInteger(text(key), &ok);
        return ok && v >= lo && v <= hi ? v : def;
    }
    bool boolean(const char* key, bool def) const {
        return integer(key, def ? 1 : 0, std::numeric_limits<qint64>::min(),
                       std::numeric_limits<qint64>::max()) != 0;
    }
    uint8_t u8(const char* key, uint8_t def, int hi = 255) const {
        return uint8_t(integer(key, def, 0, hi));
    }
    uint16_t u16(const char* key, uint16_t def) const {
        return uint16_t(integer(key, def, 0, 0xFFFF));
    }
    // Signed decimal or a 32-bit pattern in hexadecimal.
    int32_t i32(const char* key, int32_t def) const {
        return int32_t(uint32_t(integer(key, def, std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<uint32_t>::max())));
    }
    uint32_t colour(const char* key, uint32_t def) const {
        return uint32_t(i32(key, int32_t(def)));
    }
    // A missing value gives def; a present one, even empty, is taken.
    QByteArray string(const char* key, const QByteArray& def) const {
        const QString t = text(key);
        return t.isNull() ? def : Cp932::fromUnicode(t);
    }
    QString text(const char* key) const { return DefaultsStore::readText(m_s, QLatin1String(key)); }
    QString text(const QString& key) const { return DefaultsStore::readText(m_s, key); }

private:
    const QSettings& m_s;
};

// A lead byte on its own is no character; it is kept in the store as the
// Latin-1 character of the same code, which cp932 has no use for.
QString hierSymbolText(char c) {
    const auto u = uint8_t(c);
    if (u == 0)
        return QLatin1String("");
    if (Cp932::isLeadByte(u))
        return QString(QChar(u));
    return Cp932::toUnicode(QByteArray(1, c));
}

char hierSymbolFrom(const QString& t) {
    if (t.isEmpty())
        return 0;
    const char16_t first = t.at(0).unicode();
    if (first < 0x100 && Cp932::isLeadByte(uint8_t(first)))
        return char(first);
    const QByteArray bytes = Cp932::fromUnicode(t.left(t.at(0).isHighSurrogate() ? 2 : 1));
    return bytes.isEmpty() ? char(0) : bytes.at(0);
}

void readFont(const QSettings& s, const char* section, TFontDesc& font, const TFontDesc& def) {
    const QString g = QLatin1String(section) + QLatin1Char('/');
    auto key = [&](const char* name) { return (g + QLatin1String(name)).toLatin1(); };
    const StoreReader r(s);
    font.Name = r.string(key("Name").constData(), def.Name);
    font.Size = r.i32(key("Size").constData(), def.Size);
    font.Charset = r.u8(key("Charset").constData(), def.Charset);
    font.Color = r.i32(key("Color").constData(), def.Color);
    font.Bold = r.boolean(key("Bold").constData(), def.Bold);
    font.Italic = r.boolean(key("Italic").constData(), def.Italic);
    font.Underline = r.boolean(key("Underline").constData(), def.Underline);
}

} // namespace

void TOptionDesc::LoadDefaults() {
    const auto store = OpenDefaultsStore();
    const QSettings& s = *store;
    const StoreReader r(s);
    SisterPos = r.u8("InitPos/Sister", 2);
    DaughterPos = r.u8("InitPos/Daughter", 5);
    AuntPos = r.u8("InitPos/Aunt", 2);
    ClipPos = r.u8("InitPos/Clip", 2);
    DateAuto = r.boolean("Misc/DateAuto", true);
    LinkAuto = r.boolean("Misc/LinkAuto", true);
    ProceedAuto = r.boolean("Misc/ProceedAuto", false);
    FinishAuto = r.boolean("Misc/FinishAuto", false);
    ExpandOnlyOne = r.boolean("Misc/ExpandOnlyOne", false);
    CheckOutOfDate = r.boolean("Misc/CheckOutOfDate", false);
    HideForm = r.boolean("Misc/HideForm", false);
    StayOn = r.boolean("Misc/StayOn", false);
    DropExpand = r.boolean("Misc/DropExpand", false);
    DragCollapse = r.boolean("Misc/DragCollapse", true);
    ConfirmDel = r.boolean("Misc/ConfirmDel", true);
    ConfirmSave = r.boolean("Misc/ConfirmSave", false);
    {
        const QString t = r.text("Misc/HierSymbol");
        HierSymbol = t.isNull() ? '.' : hierSymbolFrom(t);
    }
    BackColorTitle = r.colour("BackColor/Title", 0xFFFFFF);
    BackColorText = r.colour("BackColor/RichText", 0xFFFFFF);
    BackColorLink = r.colour("BackColor/Link", 0xFFFFFF);
    FormLeft = r.i32("Form/Left", 0);
    FormTop = r.i32("Form/Top", 0);
    FormWidth = r.i32("Form/Width", 500);
    FormHeight = r.i32("Form/Height", 400);
    FormState = r.u8("Form/State", 2);
    TreeWidth = r.i32("TreeView/Width", 200);
    TreeHeight = r.i32("TreeView/Height", 100);
    TreeVisible = r.boolean("TreeView/Visible", true);
    SplitVertical = r.boolean("Misc/SplitVertical", false);
    ItemView = r.u8("Misc/ItemView", 0, MaxItemView);
    StatusVisible = r.boolean("StatusPanel/Visible", true);
    LinkPanelVisible = r.boolean("LinkPanel/Visible", false);
    DatePanelVisible = r.boolean("DatePanel/Visible", false);
    ShowRuler = r.boolean("Misc/ShowRuler", false);
    ShowCalendar = r.boolean("Misc/ShowCalendar", false);
    MaxCalendar = r.boolean("Misc/MaxCalendar", true);
    CalendarHeight = r.i32("Misc/CalendarHeight", 100);
    ListViewVisible = r.boolean("Misc/ListViewVisible", false);
    PreferText = r.boolean("Misc/PreferText", false);
    ListViewHeight = r.i32("Misc/ListViewHeight", 100);
    WordWrap = r.boolean("Misc/WordWrap", true);
    InFileLinkColor = r.colour("Misc/InFileLinkColor", 255);
    HyperLinkColor = r.colour("Misc/HyperLinkColor", 0xFF0000);
    ClipHotKey = r.u16("Misc/ClipHotKey", 112);
    ClipHotModifiers = r.u16("Misc/ClipHotModifiers", 2);
    for (int i = 0; i < LabelsUsed; ++i) {
        const QByteArray n = QByteArray::number(i);
        LabelText[size_t(i)] = r.string(("LabelText/" + n).constData(), defaultLabelText(i));
        LabelImage[size_t(i)] = r.i32(("LabelIndex/" + n).constData(), i);
    }
    DateFormat = r.string("Misc/DateFormat", defaultDateFormat());
    DateViewFormat = r.string("Misc/DateViewFormat", defaultDateViewFormat());
    {
        bool ok = false;
        const qint64 n = DefaultsStore::parseInteger(r.text("Column/Count"), &ok);
        ColumnCount = ok ? int32_t(std::clamp<qint64>(n, 1, MaxColumns)) : 3;
    }
    for (int i = 0; i < MaxColumns; ++i) {
        const TColumnDesc def = defaultColumn(i);
        TColumnDesc& c = Columns[size_t(i)];
        if (i >= ColumnCount) {
            c = def;
            continue;
        }
        const QByteArray n = QByteArray::number(i);
        c.Kind = r.u8(("ColumnKind/" + n).constData(), def.Kind);
        c.Width = r.i32(("ColumnWidth/" + n).constData(), def.Width);
    }
    Columns[0].Kind = 1;
    readFont(s, "DefFont", DefFont, defaultDefFont());
    readFont(s, "TreeViewFont", TreeViewFont, defaultTreeViewFont());
    readFont(s, "TitleFont", TitleFont, defaultTitleFont());
    readFont(s, "LinkFont", LinkFont, defaultLinkFont());
}

namespace {

void writeFont(QSettings& s, const char* section, const TFontDesc& f) {
    s.beginGroup(QLatin1String(section));
    s.setValue(QStringLiteral("Name"), Cp932::toUnicode(f.Name));
    s.setValue(QStringLiteral("Size"), QString::number(f.Size));
    s.setValue(QStringLiteral("Charset"), QString::number(f.Charset));
    s.setValue(QStringLiteral("Color"), QString::number(f.Color));
    s.setValue(QStringLiteral("Bold"), QString::number(f.Bold ? 1 : 0));
    s.setValue(QStringLiteral("Italic"), QString::number(f.Italic ? 1 : 0));
    s.setValue(QStringLiteral("Underline"), QString::number(f.Underline ? 1 : 0));
    s.endGroup();
}

} // namespace

void TOptionDesc::SaveDefaults() const {
    const auto store = OpenDefaultsStore();
    QSettings& s = *store;
    auto put = [&s](const char* key, qint64 v) {
        s.setValue(QLatin1String(key), QString::number(v));
    };
    auto putText = [&s](const QString& key, const QString& v) { s.setValue(key, v); };
    put("InitPos/Sister", SisterPos);
    put("InitPos/Daughter", DaughterPos);
    put("InitPos/Aunt", AuntPos);
    put("InitPos/Clip", ClipPos);
    put("Misc/DateAuto", DateAuto);
    put("Misc/LinkAuto", LinkAuto);
    put("Misc/ProceedAuto", ProceedAuto);
    put("Misc/FinishAuto", FinishAuto);
    put("Misc/ExpandOnlyOne", ExpandOnlyOne);
    put("Misc/CheckOutOfDate", CheckOutOfDate);
    put("Misc/HideForm", HideForm);
    put("Misc/StayOn", StayOn);
    put("Misc/DropExpand", DropExpand);
    put("Misc/DragCollapse", DragCollapse);
    put("Misc/ConfirmDel", ConfirmDel);
    put("Misc/ConfirmSave", ConfirmSave);
    putText(QStringLiteral("Misc/HierSymbol"), hierSymbolText(HierSymbol));
    put("BackColor/Title", BackColorTitle);
    put("BackColor/RichText", BackColorText);
    put("BackColor/Link", BackColorLink);
    put("Form/Left", FormLeft);
    put("Form/Top", FormTop);
    put("Form/Width", FormWidth);
    put("Form/Height", FormHeight);
    put("Form/State", FormState);
    put("TreeView/Width", TreeWidth);
    put("TreeView/Height", TreeHeight);
    put("TreeView/Visible", TreeVisible);
    put("Misc/SplitVertical", SplitVertical);
    put("Misc/ItemView", ItemView);
    put("StatusPanel/Visible", StatusVisible);
    put("LinkPanel/Visible", LinkPanelVisible);
    put("DatePanel/Visible", DatePanelVisible);
    put("Misc/ShowRuler", ShowRuler);
    put("Misc/ShowCalendar", ShowCalendar);
    put("Misc/MaxCalendar", MaxCalendar);
    put("Misc/CalendarHeight", CalendarHeight);
    put("Misc/ListViewVisible", ListViewVisible);
    put("Misc/PreferText", PreferText);
    put("Misc/ListViewHeight", ListViewHeight);
    put("Misc/WordWrap", WordWrap);
    put("Misc/InFileLinkColor", InFileLinkColor);
    put("Misc/HyperLinkColor", HyperLinkColor);
    put("Misc/ClipHotKey", ClipHotKey);
    put("Misc/ClipHotModifiers", ClipHotModifiers);
    for (int i = 0; i < LabelsUsed; ++i) {
        const QString n = QString::number(i);
        putText(QStringLiteral("LabelText/") + n, Cp932::toUnicode(LabelText[size_t(i)]));
        putText(QStringLiteral("LabelIndex/") + n, QString::number(LabelImage[size_t(i)]));
    }
    putText(QStringLiteral("Misc/DateFormat"), Cp932::toUnicode(DateFormat));
    putText(QStringLiteral("Misc/DateViewFormat"), Cp932::toUnicode(DateViewFormat));
    const int count = std::clamp(ColumnCount, 1, int32_t(MaxColumns));
    put("Column/Count", count);
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        putText(QStringLiteral("ColumnKind/") + n,
                QString::number(i == 0 ? 1 : Columns[size_t(i)].Kind));
        putText(QStringLiteral("ColumnWidth/") + n, QString::number(Columns[size_t(i)].Width));
    }
    writeFont(s, "DefFont", DefFont);
    writeFont(s, "TreeViewFont", TreeViewFont);
    writeFont(s, "TitleFont", TitleFont);
    writeFont(s, "LinkFont", LinkFont);
    s.sync();
    if (s.status() != QSettings::NoError)
        throw ESettingsStoreError(
            QStringLiteral("デフォルトの設定情報を保存できませんでした。\n%1").arg(s.fileName()));
}
