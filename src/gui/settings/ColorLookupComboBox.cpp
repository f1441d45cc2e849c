#include "settings/ColorLookupComboBox.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr int RoleValue = Qt::UserRole;
constexpr int RoleGroup = Qt::UserRole + 1;
constexpr int GroupOther = 0; // the "その他..." entry

// The swatch: 24 wide, filled with the colour, outlined in black.
QIcon swatch(uint32_t bgr) {
    QPixmap pm(24, 10);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.setBrush(ColorFromBgr(bgr));
    p.drawRect(0, 0, 23, 9);
    return QIcon(pm);
}

bool parseValue(QString text, uint32_t* value) {
    text = text.trimmed();
    bool ok = false;
    qulonglong v = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = text.mid(2).toULongLong(&ok, 16);
    else if (text.startsWith(QLatin1Char('$')))
        v = text.mid(1).toULongLong(&ok, 16);
    else
        v = text.toULongLong(&ok, 10);
    if (!ok || v > 0xFFFFFFFFull)
        return false;
    *value = uint32_t(v);
    return true;
}

} // namespace

QColor ColorFromBgr(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

uint32_t BgrFromColor(const QColor& color) {
    return uint32_t(color.red()) | uint32_t(color.green()) << 8 | uint32_t(color.blue()) << 16;
}

const TColorLookupComboBox::Standard TColorLookupComboBox::StandardColors[16] = {
    {0x000000, "Black", "黒"},       {0x000080, "Maroon", "茶色"},  {0x008000, "Green", "緑"},
    {0x008080, "Olive", "オリーブ"}, {0x800000, "Navy", "紺"},      {0x800080, "Purple", "紫"},
    {0x808000, "Teal", "青緑"},      {0x808080, "Gray", "灰色"},    {0xC0C0C0, "Silver", "銀色"},
    {0x0000FF, "Red", "赤"},         {0x00FF00, "Lime", "黄緑"},    {0x00FFFF, "Yellow", "黄"},
    {0xFF0000, "Blue", "青"},        {0xFF00FF, "Fuchsia", "赤紫"}, {0xFFFF00, "Aqua", "水色"},
    {0xFFFFFF, "White", "白"},
};

std::function<bool(uint32_t&, QWidget*)> TColorLookupComboBox::ChooseColor = [](uint32_t& color,
                                                                                QWidget* parent) {
    QColorDialog dialog(ColorFromBgr(color), parent);
    dialog.setWindowTitle(QStringLiteral("色の設定"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    color = BgrFromColor(dialog.selectedColor());
    return true;
};

TColorLookupComboBox::TColorLookupComboBox(QWidget* parent) : QComboBox(parent) {
    setIconSize(QSize(24, 10));
    setMinimumWidth(120);
    connect(this, qOverload<int>(&QComboBox::activated), this, &TColorLookupComboBox::onActivated);
    connect(this, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (!m_rebuilding && index >= 0 && itemData(index, RoleGroup).toInt() != GroupOther)
            m_lastIndex = index;
    });
    rebuild();
}

void TColorLookupComboBox::setSelection(int groups) {
    m_selection = groups;
    rebuild();
}
void TColorLookupComboBox::setDefaultColor(uint32_t color) {
    m_defaultColor = color;
    rebuild();
}
void TColorLookupComboBox::setMaxCustomCount(int count) {
    m_maxCustom = std::max(0, count);
    while (m_custom.size() > m_maxCustom)
        m_custom.removeFirst();
    rebuild();
}
void TColorLookupComboBox::setExtendedColors(const QStringList& lines) {
    m_extended = lines;
    rebuild();
}

void TColorLookupComboBox::addEntry(const QString& name, uint32_t value, int group) {
    addItem(swatch(value), name);
    setItemData(count() - 1, value, RoleValue);
    setItemData(count() - 1, group, RoleGroup);
}

void TColorLookupComboBox::rebuild() {
    const uint32_t keep = ColorValue();
    m_rebuilding = true;
    clear();
    if (m_selection & csDefault)
        addEntry(QStringLiteral("標準"), m_defaultColor, csDefault);
    if (m_selection & (csSystem | csSystemJ))
        for (const Standard& s : StandardColors)
            addEntry(QString::fromUtf8((m_selection & csSystemJ) ? s.japanese : s.english), s.value,
                     (m_selection & csSystemJ) ? csSystemJ : csSystem);
    if (m_selection & csExtended) {
        if (OnLoadExtendedColors)
            OnLoadExtendedColors(*this);
        for (const QString& line : m_extended) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            uint32_t value = 0;
            if (eq > 0 && parseValue(line.mid(eq + 1), &value))
                addEntry(line.left(eq), value, csExtended);
        }
    }
    if (m_selection & csCustom) {
        for (uint32_t c : m_custom)
            addEntry(QString::asprintf("$%.6X", c), c, csCustom);
        addItem(QStringLiteral("その他..."));
        setItemData(count() - 1, GroupOther, RoleGroup);
    }
    m_rebuilding = false;
    m_lastIndex = -1;
    if (keep != NoColor)
        SetColorValue(keep);
    else
        setCurrentIndex(-1);
}

int TColorLookupComboBox::otherIndex() const {
    for (int i = 0; i < count(); ++i)
        if (itemData(i, RoleGroup).toInt() == GroupOther)
            return i;
    return -1;
}

void TColorLookupComboBox::addCustom(uint32_t color) {
    if (m_maxCustom <= 0)
        return;
    while (m_custom.size() >= m_maxCustom)
        m_custom.removeFirst();
    m_custom.append(color);
    setCurrentIndex(-1); // the rebuilt list selects the new entry, not the old value
    rebuild();
    setCurrentIndex(otherIndex() - 1);
}

void TColorLookupComboBox::SetColorValue(uint32_t color) {
    for (int i = 0; i < count(); ++i) {
        if (itemData(i, RoleGroup).toInt() != GroupOther &&
            itemData(i, RoleValue).toUInt() == color) {
            setCurrentIndex(i);
            return;
        }
    }
    if ((m_selection & csCustom) && color != NoColor && m_maxCustom > 0) {
        addCustom(color);
        return;
    }
    setCurrentIndex(-1);
}

uint32_t TColorLookupComboBox::ColorValue() const {
    const int i = currentIndex();
    if (i < 0 || itemData(i, RoleGroup).toInt() == GroupOther)
        return NoColor;
    return itemData(i, RoleValue).toUInt();
}

void TColorLookupComboBox::onActivated(int index) {
    if (index < 0 || itemData(index, RoleGroup).toInt() != GroupOther)
        return;
    const int previous = m_lastIndex;
    uint32_t color = previous >= 0 ? itemData(previous, RoleValue).toUInt() : 0;
    if (ChooseColor && ChooseColor(color, this)) {
        addCustom(color);
        return;
    }
    setCurrentIndex(previous);
}
