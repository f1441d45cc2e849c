#pragma once

#include "outline/LeafNote.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <vector>

class TOptionDesc;
class TOutlineNode;

// What a template needs to know about the item it is filled for.
struct TTemplateItem {
    TOutlineNode* node = nullptr;
    const TOptionDesc* settings = nullptr;
    // 1 for the export root, 2 for its children, ...
    int relativeLevel = 1;

    TTemplateItem(TOutlineNode* n, TOutlineNode* root, const TOptionDesc* s);
    const TLeafNote& item() const;
    // Depth in the whole outline; 0 for a top-level item.
    int depth() const;
    // 1-based position among siblings of the item (up = 0), its parent
    // (up = 1), ...; above the top level the top-level item's position again.
    int numberAt(int up) const;
};

namespace OutputMacros {

// The number styles of "&Index(" alternatives, by their keyword after "&".
enum class NumberStyle {
    None,
    FullWidth,
    Decimal,
    LowerLetter,
    UpperLetter,
    LowerRoman,
    UpperRoman
};
QString FormatNumber(NumberStyle style, int n);

// Keywords with their meaning, in a buffer's own text type.
template <class Text> struct Names {
    struct Number {
        Text keyword;
        NumberStyle style;
    };
    enum Field {
        Title,
        Label,
        ProcStatus,
        Indent,
        CreatedDate,
        ModifiedDate,
        LimitDate,
        FinishDate
    };
    struct FieldName {
        Text keyword;
        Field field;
        bool hasArgument;
    };
    Text index, close, content, link;
    std::vector<Number> numbers;
    std::vector<FieldName> fields;

    template <class Conv> explicit Names(Conv conv) {
        index = conv(QStringLiteral("&Index("));
        close = conv(QStringLiteral("&)"));
        content = conv(QStringLiteral("&Content"));
        link = conv(QStringLiteral("&Link"));
        numbers = {{conv(QStringLiteral("１")), NumberStyle::FullWidth},
                   {conv(QStringLiteral("1")), NumberStyle::Decimal},
                   {conv(QStringLiteral("a")), NumberStyle::LowerLetter},
                   {conv(QStringLiteral("A")), NumberStyle::UpperLetter},
                   {conv(QStringLiteral("i")), NumberStyle::LowerRoman},
                   {conv(QStringLiteral("I")), NumberStyle::UpperRoman}};
        fields = {{conv(QStringLiteral("Title")), Title, false},
                  {conv(QStringLiteral("Label")), Label, false},
                  {conv(QStringLiteral("ProcStatus")), ProcStatus, false},
                  {conv(QStringLiteral("Indent(")), Indent, true},
                  {conv(QStringLiteral("CreatedDate(")), CreatedDate, true},
                  {conv(QStringLiteral("ModifiedDate(")), ModifiedDate, true},
                  {conv(QStringLiteral("LimitDate(")), LimitDate, true},
                  {conv(QStringLiteral("FinishDate(")), FinishDate, true}};
    }
};

// A date macro's expansion: the date of that index (0 created .. 3 finished)
// in format, "--/--/--" for a due or finish date that is not set.
QString FormatDateMacro(int dateIndex, const QString& format, const TLeafNote& item);
// The item's label name (cp932) and progress name.
QByteArray LabelText(const TTemplateItem& it);
QString ProgressText(const TLeafNote& item);

// Stops the export: the item's filled template would outgrow what one item
// may take. Nested "&Indent(" macros multiply their arguments, so a short
// template can otherwise ask for more memory than there is.
[[noreturn]] void ThrowTooLarge(const TLeafNote& item);

// Fills the "&Index(" constructs and the field macros of buf for one item.
// Throws EOutputError when the text would grow beyond Buffer::kMaxSize.
//
// Buffer provides: Text; kMaxSize; int size(); int at(int) (a character code);
// bool matchesAt(int, const Text&); int indexOf(const Text&, int from);
// Text mid(int, int); bool editable(int, int) (false: leave the macro as
// written); void replace(int, int, const Text&);
// Text fromUnicode(const QString&); QString toUnicode(const Text&);
// Text fromCp932(const QByteArray&); Text repeated(const Text&, int).
template <class Buffer>
void FillMacros(Buffer& buf, const Names<typename Buffer::Text>& names, const TTemplateItem& it) {
    using Text = typename Buffer::Text;
    const int indexLength = int(names.index.size());
    const int closeLength = int(names.close.size());

    // "&Index(" alt1 "," alt2 ... "&)": one alternative per relative level.
    int from = 0;
    for (;;) {
        const int start = buf.indexOf(names.index, from);
        if (start < 0)
            break;
        const int bodyStart = start + indexLength;
        const int close = buf.indexOf(names.close, bodyStart);
        if (close < 0)
            break;
        if (!buf.editable(start, close + closeLength - start)) {
            from = start + 1;
            continue;
        }
        std::vector<int> separators;
        for (int i = bodyStart; i < close; ++i)
            if (buf.at(i) == ',')
                separators.push_back(i);
        const int chosen =
            std::min<int>(std::max(it.relativeLevel, 1), int(separators.size()) + 1) - 1;
        const int altStart = chosen == 0 ? bodyStart : separators[size_t(chosen - 1)] + 1;
        const int altEnd = chosen < int(separators.size()) ? separators[size_t(chosen)] : close;

        buf.replace(altEnd, close + closeLength - altEnd, Text());
        buf.replace(start, altStart - start, Text());
        const int end = start + (altEnd - altStart);

        struct Found {
            int pos, length;
            NumberStyle style;
        };
        std::vector<Found> found;
        for (int i = start; i < end;) {
            if (buf.at(i) == '&') {
                bool hit = false;
                for (const auto& n : names.numbers) {
                    if (i + 1 + int(n.keyword.size()) <= end && buf.matchesAt(i + 1, n.keyword)) {
                        found.push_back({i, 1 + int(n.keyword.size()), n.style});
                        i += 1 + int(n.keyword.size());
                        hit = true;
                        break;
                    }
                }
                if (hit)
                    continue;
            }
            ++i;
        }
        // The rightmost number is the item's own, the one before it its parent's.
        int up = 0;
        for (auto f = found.rbegin(); f != found.rend(); ++f, ++up)
            buf.replace(f->pos, f->length,
                        buf.fromUnicode(FormatNumber(f->style, it.numberAt(up))));
        from = start + 1;
    }

    // Field macros, backwards, so that a macro inside another's argument is
    // expanded first and no expansion is ever read again.
    //
    // The "&)" right of pos, as distances from the end of the text (which
    // edits at pos leave alone), the nearest last: an argument ends at the
    // nearest one without searching the rest of the text again.
    std::vector<int> closes;
    const auto pushCloses = [&](int first, int to) {
        for (int i = to - 1; i >= first; --i)
            if (buf.at(i) == '&' && buf.matchesAt(i, names.close))
                closes.push_back(buf.size() - i);
    };
    const TLeafNote& item = it.item();
    for (int pos = buf.size() - 1; pos >= 0; --pos) {
        if (pos + 1 < buf.size() && buf.at(pos + 1) == '&' && buf.matchesAt(pos + 1, names.close))
            closes.push_back(buf.size() - (pos + 1));
        if (buf.at(pos) != '&')
            continue;
        for (const auto& f : names.fields) {
            if (!buf.matchesAt(pos + 1, f.keyword))
                continue;
            const int nameEnd = pos + 1 + int(f.keyword.size());
            int end = nameEnd;
            Text argument;
            if (f.hasArgument && !closes.empty()) {
                // The keyword holds no "&", so no "&)" starts before nameEnd.
                const int closeAt = buf.size() - closes.back();
                argument = buf.mid(nameEnd, closeAt - nameEnd);
                end = closeAt + closeLength;
            }
            if (!buf.editable(pos, end - pos))
                break;
            if (f.field == Names<Text>::Indent &&
                qint64(argument.size()) * (it.depth() + 1) > Buffer::kMaxSize)
                ThrowTooLarge(item);
            Text value;
            switch (f.field) {
            case Names<Text>::Title:
                value = buf.fromCp932(item.Title);
                break;
            case Names<Text>::Label:
                value = buf.fromCp932(LabelText(it));
                break;
            case Names<Text>::ProcStatus:
                value = buf.fromUnicode(ProgressText(item));
                break;
            case Names<Text>::Indent:
                value = buf.repeated(argument, it.depth() + 1);
                break;
            default:
                value = buf.fromUnicode(FormatDateMacro(
                    int(f.field) - int(Names<Text>::CreatedDate), buf.toUnicode(argument), item));
                break;
            }
            const qint64 grows = qint64(value.size()) - (end - pos);
            if (grows > 0 && buf.size() + grows > Buffer::kMaxSize)
                ThrowTooLarge(item);
            const int sizeBefore = buf.size();
            while (!closes.empty() && sizeBefore - closes.back() < end)
                closes.pop_back();
            buf.replace(pos, end - pos, value);
            const int valueEnd = pos + int(value.size());
            if (buf.size() == sizeBefore + grows) {
                // A "&)" its last "&" makes with what follows, then those in it.
                const int size = buf.size();
                if (valueEnd - 1 > pos && buf.matchesAt(valueEnd - 1, names.close))
                    closes.push_back(size - (valueEnd - 1));
                for (auto k = value.lastIndexOf(names.close); k > 0;
                     k = value.lastIndexOf(names.close, k - 1))
                    closes.push_back(size - (pos + int(k)));
            } else {
                // The buffer changed more than asked (line breaks, a
                // table): count again.
                closes.clear();
                pushCloses(pos + 1, buf.size());
            }
            break;
        }
    }
}

} // namespace OutputMacros
