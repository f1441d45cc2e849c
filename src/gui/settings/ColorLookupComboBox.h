#pragma once

#include <QComboBox>
#include <QStringList>

#include <cstdint>
#include <functional>

// A drop-down list of named colours, each shown with its swatch. Values are
// 0x00BBGGRR; NoColor stands for no selection.
class TColorLookupComboBox : public QComboBox {
    Q_OBJECT
public:
    static constexpr uint32_t NoColor = 0x1FFFFFFF;
    enum Group {
        csSystem = 1,
        csSystemJ = 2,
        csCustom = 4,
        csDefault = 8,
        csExtended = 16,
    };

    explicit TColorLookupComboBox(QWidget* parent = nullptr);

    int Selection() const { return m_selection; }
    void setSelection(int groups);
    uint32_t DefaultColor() const { return m_defaultColor; }
    void setDefaultColor(uint32_t color);
    int MaxCustomCount() const { return m_maxCustom; }
    void setMaxCustomCount(int count);
    // "name=value" lines; values decimal, or hexadecimal after "0x" or "$".
    QStringList ExtendedColors() const { return m_extended; }
    void setExtendedColors(const QStringList& lines);
    // Runs before the extended colours are listed, and may set them.
    std::function<void(TColorLookupComboBox&)> OnLoadExtendedColors;

    // Selects the first entry of that value; a value not listed becomes a
    // custom entry with csCustom, else nothing is selected.
    void SetColorValue(uint32_t color);
    uint32_t ColorValue() const;

    // The colour dialog of "その他...": true for OK. Replaceable for tests.
    static std::function<bool(uint32_t& color, QWidget* parent)> ChooseColor;

    // The 16 standard colours: value, English and Japanese name.
    struct Standard {
        uint32_t value;
        const char* english;
        const char* japanese;
    };
    static const Standard StandardColors[16];

private:
    void rebuild();
    void addEntry(const QString& name, uint32_t value, int group);
    void addCustom(uint32_t color);
    void onActivated(int index);
    int otherIndex() const;

    int m_selection = csSystemJ;
    uint32_t m_defaultColor = 0;
    int m_maxCustom = 3;
    QStringList m_extended;
    QList<uint32_t> m_custom; // oldest first
    int m_lastIndex = -1;
    bool m_rebuilding = false;
};

// 0x00BBGGRR to QColor and back.
QColor ColorFromBgr(uint32_t bgr);
uint32_t BgrFromColor(const QColor& color);
