#include "search/FindDesc.h"

#include "common/Clock.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"

#include <cmath>
#include <cstring>

void TFindDesc::Reset() {
    OnString = false;
    OnDate = false;
    OnProcStatus = false;
    OnLabel = false;
    CurrentLevel = false;
    InFocusTray = false;
    HasDueDate = false;
    HasFinishDate = false;
    ShowDueInTitle = false;
}

void TFindDesc::SetStringCondition(const QByteArray& pattern, bool matchWord, bool inTitle,
                                   bool inText, bool ignoreCase) {
    if (pattern.isEmpty())
        return;
    OnString = true;
    Pattern = pattern;
    MatchWord = matchWord;
    InTitle = inTitle;
    InText = inText;
    IgnoreCase = ignoreCase;
    PatternLength = int32_t(pattern.size());
}

void TFindDesc::SetDateCondition(uint8_t dateType, bool beforeDate, bool afterDate, bool isDate,
                                 int32_t maxDays, double keyDate) {
    OnDate = true;
    DateType = dateType;
    BeforeDate = beforeDate;
    AfterDate = afterDate;
    IsDate = isDate;
    MaxDays = maxDays;
    KeyDate = keyDate;
}

void TFindDesc::SetProgressCondition(bool notStarted, bool inProgress, bool done, bool onHold) {
    OnProcStatus = true;
    ProcStatus = {notStarted, inProgress, done, onHold};
}

void TFindDesc::SetLabelCondition(const std::array<bool, 8>& labels) {
    OnLabel = true;
    Labels = labels;
}

bool TFindDesc::Matches(const TLeafNote& item) {
    // Values from a damaged file must not index past the tables.
    if (OnProcStatus && (item.Progress >= ProcStatus.size() || !ProcStatus[item.Progress]))
        return false;
    if (OnLabel && (item.LabelIndex < 0 || item.LabelIndex >= int32_t(Labels.size()) ||
                    !Labels[size_t(item.LabelIndex)]))
        return false;
    if (HasDueDate && item.DueDate == 0)
        return false;
    if (HasFinishDate && item.FinishDate == 0)
        return false;

    if (OnDate) {
        const double g = KeyDate != 0 ? KeyDate : Clock::today();
        double f = 0;
        switch (DateType) {
        case 0:
            f = item.CreatedDate;
            break;
        case 1:
            f = item.ModifiedDate;
            break;
        case 2:
            f = item.DueDate;
            if (f == 0)
                return false;
            break;
        case 3:
            f = item.FinishDate;
            if (f == 0)
                return false;
            break;
        default:
            return false;
        }
        bool accepted = false;
        if (BeforeDate)
            accepted = f < g && (MaxDays == 0 || f >= g - MaxDays);
        if (!accepted && AfterDate)
            accepted = f > g && (MaxDays == 0 || f <= g + MaxDays);
        if (!accepted && IsDate)
            accepted = std::trunc(f) == std::trunc(g);
        if (!accepted)
            return false;
    }

    if (!OnString)
        return true;
    bool found = false;
    if (InTitle) {
        found = FindFirst(item.Title);
        ReleaseSearchText();
    }
    if (!found && InText) {
        found = FindFirst(item.PageText);
        ReleaseSearchText();
    }
    return found;
}

QByteArray TFindDesc::FoldCase(const QByteArray& text) {
    // 0 plain byte, 1 lower-case letter, 2 first byte of a double-byte character.
    static const auto kinds = [] {
        std::array<uint8_t, 256> k{};
        for (int c = 'a'; c <= 'z'; ++c)
            k[size_t(c)] = 1;
        for (int c = 0; c < 256; ++c)
            if (Cp932::isLeadByte(static_cast<unsigned char>(c)))
                k[size_t(c)] = 2;
        return k;
    }();
    QByteArray out = text; // shared until the first letter is found
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text.constData());
    char* w = nullptr;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const uint8_t kind = kinds[in[i]];
        if (kind == 0)
            continue;
        if (kind == 2) {
            // The second byte may look like a letter; it is not one.
            ++i;
            continue;
        }
        if (!w)
            w = out.data();
        w[i] = char(in[i] - 'a' + 'A');
    }
    return out;
}

void TFindDesc::prepare(const QByteArray& text) {
    // The text is folded as it is compared, never copied: a listing runs the
    // scanner over every page of the document.
    if (IgnoreCase) {
        // Folded once per pattern, not once per page.
        if (m_foldedFrom.isNull() || m_foldedFrom != Pattern) {
            m_foldedFrom = Pattern;
            m_folded = FoldCase(Pattern);
        }
        SearchPattern = m_folded;
    } else {
        SearchPattern = Pattern;
    }
    SearchText = text;
    PatternLength = int32_t(SearchPattern.size());
    LastStart = int32_t(SearchText.size()) - PatternLength + 1;
}

bool TFindDesc::scan() {
    m_found = false;
    const qsizetype n = SearchText.size();
    const qsizetype m = SearchPattern.size();
    // An empty pattern has no occurrence to step over.
    if (m == 0 || m > n)
        return false;
    const unsigned char* t = reinterpret_cast<const unsigned char*>(SearchText.constData());
    const unsigned char* pat = reinterpret_cast<const unsigned char*>(SearchPattern.constData());
    const qsizetype lastStart = n - m + 1;
    const int first = pat[0];
    const bool fold = IgnoreCase;
    // A folded pattern starting with a capital also starts where the text has the small letter.
    const int firstSmall = fold && first >= 'A' && first <= 'Z' ? first - 'A' + 'a' : -1;

    const qsizetype firstStep = Cp932::isLeadByte(static_cast<unsigned char>(first)) ? 2 : 1;
    // Whether the byte at 1-based pos is the second of a character, counted
    // from the text's start: after a byte that cannot lead, a run of r
    // lead-range bytes ends on a first byte exactly when r is odd.
    auto secondByte = [t](qsizetype pos) {
        qsizetype s = pos;
        while (s > 1 && Cp932::isLeadByte(t[s - 2]))
            --s;
        return (pos - s) % 2 != 0;
    };

    // Candidates are the character starts from Position on. Rather than step
    // through every character, jump to the next byte equal to the pattern's
    // first and decide from the bytes just before it whether it starts a
    // character: after a byte that cannot lead, or from a known start, a run
    // of r lead-range bytes leaves a character start exactly when r is even.
    qsizetype p = Position < 1 ? 1 : Position;
    qsizetype known = p;     // a character start, never after p
    qsizetype nextSmall = 0; // 1-based position of the next small first letter, 0 = not looked for
    while (p <= lastStart) {
        const void* hit = std::memchr(t + p - 1, first, size_t(lastStart - p + 1));
        qsizetype q = hit ? static_cast<const unsigned char*>(hit) - t + 1 : 0;
        if (firstSmall >= 0) {
            if (nextSmall != -1 && nextSmall < p) {
                const void* small = std::memchr(t + p - 1, firstSmall, size_t(lastStart - p + 1));
                nextSmall = small ? static_cast<const unsigned char*>(small) - t + 1 : -1;
            }
            // A small letter that is the second byte of a character is not folded.
            while (nextSmall > 0 && secondByte(nextSmall)) {
                const void* small =
                    nextSmall < lastStart
                        ? std::memchr(t + nextSmall, firstSmall, size_t(lastStart - nextSmall))
                        : nullptr;
                nextSmall = small ? static_cast<const unsigned char*>(small) - t + 1 : -1;
            }
            if (nextSmall > 0 && (q == 0 || nextSmall < q))
                q = nextSmall;
        }
        if (q == 0)
            return false;
        qsizetype s = q;
        while (s > known && Cp932::isLeadByte(t[s - 2]))
            --s;
        if ((q - s) % 2 != 0) {
            // The second byte of a character: the next one starts after it.
            p = known = q + 1;
            continue;
        }
        // Compare from q; single-byte letters are folded where the text's
        // own walk from its start finds them, never as a second byte.
        qsizetype at = q + 1; // 1-based text position under comparison
        auto byteAt = [&]() -> int {
            const int x = t[at - 1];
            return fold && x >= 'a' && x <= 'z' && !secondByte(at) ? x - 'a' + 'A' : x;
        };
        bool ok = true;
        for (qsizetype j = 1; j < m; ++j) {
            const int want = pat[j];
            int x = at <= n ? byteAt() : -1;
            // Blanks inside the text are passed over, as long as the
            // occurrence could still have started no later than lastStart.
            while (x != want && x >= 0 && IsBlank(static_cast<unsigned char>(x)) &&
                   at - q - j <= lastStart - q) {
                ++at;
                x = at <= n ? byteAt() : -1;
            }
            if (x != want) {
                ok = false;
                break;
            }
            ++at;
        }
        if (ok) {
            const qsizetype k = at - q - m; // blanks passed over
            if (MatchWord) {
                const bool before = q == 1 || IsBlank(t[q - 2]);
                const qsizetype next = q + m + k;
                const bool after = next > n || IsBlank(t[next - 1]);
                // The first occurrence decides; later ones are not tried.
                if (!before || !after)
                    return false;
            }
            Position = int32_t(q);
            MatchLength = int32_t(m + k);
            m_found = true;
            return true;
        }
        p = known = q + firstStep;
    }
    return false;
}

bool TFindDesc::FindFrom(const QByteArray& text, int32_t start) {
    prepare(text);
    Position = start;
    MatchLength = 0;
    const bool found = scan();
    ReleaseSearchText();
    return found;
}

bool TFindDesc::FindFirst(const QByteArray& text) {
    prepare(text);
    Position = 1;
    MatchLength = 0;
    return scan();
}

bool TFindDesc::FindNext() {
    if (!m_found || SearchPattern.isEmpty())
        return false;
    Position += MatchLength;
    return scan();
}

void TFindDesc::ReleaseSearchText() {
    SearchPattern = QByteArray();
    SearchText = QByteArray();
}
