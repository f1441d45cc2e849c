#include "output/TemplateFill.h"

#include "common/DateFormat.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "output/OutputEngine.h"
#include "settings/OptionDesc.h"

TTemplateItem::TTemplateItem(TOutlineNode* n, TOutlineNode* root, const TOptionDesc* s)
    : node(n), settings(s), relativeLevel(n->level() - (root ? root->level() : 0) + 1) {}

const TLeafNote& TTemplateItem::item() const {
    return *node->item();
}

int TTemplateItem::depth() const {
    return node->level();
}

int TTemplateItem::numberAt(int up) const {
    const TOutlineNode* n = node;
    for (int i = 0; i < up && n->parent(); ++i)
        n = n->parent();
    return n->row() + 1;
}

namespace OutputMacros {

namespace {

QString roman(int n, bool upper) {
    static const char* const kTens[] = {"", "x", "xx", "xxx", "xxxx"};
    static const char* const kUnits[] = {"",  "i",  "ii",  "iii",  "iv",
                                         "v", "vi", "vii", "viii", "ix"};
    const int tens = (n / 10) % 10;
    // Only numbers below 50 have a form; hundreds are not counted.
    QString s = QLatin1String(tens <= 4 ? kTens[tens] : "") + QLatin1String(kUnits[n % 10]);
    return upper ? s.toUpper() : s;
}

} // namespace

QString FormatNumber(NumberStyle style, int n) {
    if (n < 1)
        n = 1;
    switch (style) {
    case NumberStyle::FullWidth: {
        QString s = QString::number(n);
        for (QChar& c : s)
            c = QChar(char16_t(0xFF10 + (c.unicode() - u'0')));
        return s;
    }
    case NumberStyle::Decimal:
        return QString::number(n);
    case NumberStyle::LowerLetter:
        return QString(QChar(char16_t(u'a' + (n - 1) % 26)));
    case NumberStyle::UpperLetter:
        return QString(QChar(char16_t(u'A' + (n - 1) % 26)));
    case NumberStyle::LowerRoman:
        return roman(n, false);
    case NumberStyle::UpperRoman:
        return roman(n, true);
    case NumberStyle::None:
        break;
    }
    return QString();
}

QString FormatDateMacro(int dateIndex, const QString& format, const TLeafNote& item) {
    const double value = item.GetDate(dateIndex);
    if ((dateIndex == DateDue || dateIndex == DateFinished) && value == 0)
        return QStringLiteral("--/--/--");
    return FormatWrenDate(format.isEmpty() ? QStringLiteral("c") : format, value);
}

QByteArray LabelText(const TTemplateItem& it) {
    const int index = it.item().LabelIndex;
    if (!it.settings || index < 0 || index >= TOptionDesc::LabelsUsed)
        return QByteArray();
    return it.settings->LabelText[size_t(index)];
}

void ThrowTooLarge(const TLeafNote& item) {
    throw EOutputError(QStringLiteral("\"%1\" の出力が大きくなりすぎるため、出力を中止しました。\n"
                                      "出力フォーマットのマクロの入れ子や数を確かめてください。")
                           .arg(Cp932::toUnicode(item.Title)));
}

QString ProgressText(const TLeafNote& item) {
    return TLeafNote::ProgressName(item.Progress);
}

} // namespace OutputMacros
