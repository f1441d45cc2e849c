#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>

class TOutlineNode;
class TByteReader;
class TByteWriter;

// A document settings record this version cannot read. The message is shown
// to the user as it stands.
class EIllegalOptionRecord : public std::runtime_error {
public:
    explicit EIllegalOptionRecord(const QString& message);
    QString message() const { return m_message; }

    // The messages of the record reader.
    static QString startTagMessage();
    static QString unknownTagMessage();
    static QString labelCountMessage();

private:
    QString m_message;
};

// The defaults store could not be written.
class ESettingsStoreError : public std::runtime_error {
public:
    explicit ESettingsStoreError(const QString& message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

// Name in cp932 bytes, size in points, colour 0x00BBGGRR.
struct TFontDesc {
    QByteArray Name;
    int32_t Size = 10;
    int32_t Color = 0;
    uint8_t Charset = 128;
    bool Bold = false, Italic = false, Underline = false;

    bool operator==(const TFontDesc& o) const {
        return Name == o.Name && Size == o.Size && Color == o.Color && Charset == o.Charset &&
               Bold == o.Bold && Italic == o.Italic && Underline == o.Underline;
    }
    bool operator!=(const TFontDesc& o) const { return !(*this == o); }
};

// One focus tray column: its kind (1 = item name .. 11) and width in pixels.
struct TColumnDesc {
    uint8_t Kind = 1;
    int32_t Width = 200;

    bool operator==(const TColumnDesc& o) const { return Kind == o.Kind && Width == o.Width; }
    bool operator!=(const TColumnDesc& o) const { return !(*this == o); }
};

// The settings of one main window: the defaults store, and the settings record
// at the head of every document.
class TOptionDesc {
public:
    static constexpr int LabelCapacity = 16;
    static constexpr int LabelsUsed = 8;
    static constexpr int MaxColumns = 11;
    static constexpr int BlockSize = 120;
    // Layout marks of the document record.
    static constexpr uint8_t CurrentLayout = 12;
    static constexpr uint8_t EarlierLayout = 0;

    // The defaults of every setting, without reading the store.
    TOptionDesc();

    // Insert-position codes 0..5.
    uint8_t SisterPos = 2;
    uint8_t DaughterPos = 5;
    uint8_t AuntPos = 2;
    uint8_t ClipPos = 2;
    bool DateAuto = true;
    bool LinkAuto = true;
    bool ProceedAuto = false;
    bool FinishAuto = false;
    bool ExpandOnlyOne = false;
    bool CheckOutOfDate = false;
    bool HideForm = false;
    bool StayOn = false;
    bool DropExpand = false;
    bool DragCollapse = true;
    bool ConfirmDel = true;
    bool ConfirmSave = false;
    char HierSymbol = '.';
    // Colours 0x00BBGGRR.
    uint32_t BackColorTitle = 0xFFFFFF;
    uint32_t BackColorText = 0xFFFFFF;
    uint32_t BackColorLink = 0xFFFFFF;
    int32_t NextNodeId = 1;
    int32_t FormLeft = 0;
    int32_t FormTop = 0;
    int32_t FormWidth = 500;
    int32_t FormHeight = 400;
    // 0 normal, 1 minimised, 2 maximised.
    uint8_t FormState = 2;
    int32_t TreeWidth = 200;
    int32_t TreeHeight = 100;
    bool TreeVisible = true;
    bool SplitVertical = false;
    // Caption form of the tree items, 0..8.
    uint8_t ItemView = 0;
    bool StatusVisible = true;
    bool LinkPanelVisible = false;
    bool DatePanelVisible = false;
    bool ShowRuler = false;
    bool ShowCalendar = false;
    bool MaxCalendar = true;
    int32_t CalendarHeight = 100;
    bool ListViewVisible = false;
    bool PreferText = false;
    int32_t ListViewHeight = 100;
    bool SaveTemporal = false;
    bool SaveBAKFile = false;
    bool WordWrap = true;
    uint32_t InFileLinkColor = 255;
    uint32_t HyperLinkColor = 0xFF0000;
    bool TrashOnTerminate = false;
    // Windows virtual-key code (112 = F1) and modifier bits 1 Alt, 2 Ctrl, 4 Shift.
    uint16_t ClipHotKey = 112;
    uint16_t ClipHotModifiers = 2;
    bool ShowProcs = false;
    // Label names (cp932) and images by label index; the program uses the first 8.
    std::array<QByteArray, LabelCapacity> LabelText;
    std::array<int32_t, LabelCapacity> LabelImage{};
    // Date format notation, cp932.
    QByteArray DateFormat;
    QByteArray DateViewFormat;
    // 1..11; entry 0 of Columns is always kind 1.
    int32_t ColumnCount = 3;
    std::array<TColumnDesc, MaxColumns> Columns;
    // The current document's trash item; never stored.
    TOutlineNode* TrashNode = nullptr;
    TFontDesc DefFont;
    TFontDesc TreeViewFont;
    // An empty name stands for the platform's default font.
    TFontDesc ListViewFont;
    TFontDesc TitleFont;
    TFontDesc LinkFont;

    // The settings block as last read; bytes that no setting uses are written
    // back as they came.
    std::array<uint8_t, BlockSize> Block{};

    // The character set of an installed font of that name, used by the earlier
    // layout. Defaults to 128.
    std::function<int(const QByteArray& fontName)> FontCharset;

    // NextNodeId = 1, a fresh settings block, then LoadDefaults.
    void ResetToDefaults();
    // Every setting kept in the defaults store; a missing or unreadable value
    // gives the setting's default.
    void LoadDefaults();
    // Throws ESettingsStoreError when the store cannot be written.
    void SaveDefaults() const;

    // The document settings record. Throws EIllegalOptionRecord, EReadError.
    void ReadFromStream(TByteReader& in);
    void WriteToStream(TByteWriter& out) const;

    // LabelText decoded; "" outside 0..7.
    QString labelName(int index) const;

    // The defaults of the store-less values, by name.
    static QByteArray defaultLabelText(int index);
    static QByteArray defaultDateFormat();
    static QByteArray defaultDateViewFormat();
    static TColumnDesc defaultColumn(int index);

private:
    void readCurrentLayout(TByteReader& in);
    void readEarlierLayout(TByteReader& in);
    void readBlock(TByteReader& in);
    void writeBlock(TByteWriter& out) const;
    void readFontBody(TByteReader& in, TFontDesc& font, bool lookUpCharset);
    void setDefaultValues();
};
