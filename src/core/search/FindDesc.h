#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>

class TLeafNote;

// One set of listing criteria, the test of an item against them, and the
// text scanner that finds the search text in cp932 titles and pages.
//
// Positions and lengths are 1-based byte counts, as the focus tray and the
// page find commands expect them.
class TFindDesc {
public:
    // Switches; a value below is consulted only while its switch is on.
    bool OnString = false;
    bool OnDate = false;
    bool OnProcStatus = false;
    bool OnLabel = false;
    bool CurrentLevel = false;
    bool InFocusTray = false;
    bool HasDueDate = false;
    bool HasFinishDate = false;

    QByteArray Pattern;
    bool MatchWord = false;
    bool IgnoreCase = false;
    // 0 created, 1 modified, 2 due, 3 finished; anything else fails the date test.
    uint8_t DateType = 0;
    // 0 = today, taken when an item is tested.
    double KeyDate = 0;
    bool BeforeDate = false;
    bool AfterDate = false;
    bool IsDate = false;
    // Window of the before/after tests in days; 0 = no limit.
    int32_t MaxDays = 0;
    std::array<bool, 4> ProcStatus{};
    std::array<bool, 8> Labels{};

    // Scanner state.
    QByteArray SearchPattern;
    QByteArray SearchText;
    int32_t PatternLength = 0;
    int32_t LastStart = 0;
    bool ShowDueInTitle = false;
    int32_t Position = 0;
    int32_t MatchLength = 0;
    bool InTitle = false;
    bool InText = false;

    // Every switch and ShowDueInTitle off; the values stay.
    void Reset();

    // An empty pattern sets nothing.
    void SetStringCondition(const QByteArray& pattern, bool matchWord, bool inTitle, bool inText,
                            bool ignoreCase);
    void SetDateCondition(uint8_t dateType, bool beforeDate, bool afterDate, bool isDate,
                          int32_t maxDays, double keyDate);
    void SetProgressCondition(bool notStarted, bool inProgress, bool done, bool onHold);
    void SetLabelCondition(const std::array<bool, 8>& labels);
    void SetCurrentLevel() { CurrentLevel = true; }
    void SetInFocusTray() { InFocusTray = true; }
    void SetHasDueDate() { HasDueDate = true; }
    void SetHasFinishDate() { HasFinishDate = true; }

    // The item passes every condition in force.
    bool Matches(const TLeafNote& item);

    // One scan of text from the 1-based start; the working strings are
    // released again. On true, Position and MatchLength give the occurrence.
    bool FindFrom(const QByteArray& text, int32_t start);
    // Scan from the start and keep the working strings for FindNext.
    bool FindFirst(const QByteArray& text);
    // The next occurrence after the current one (they never overlap). False
    // when there is no current occurrence to continue from.
    bool FindNext();
    void ReleaseSearchText();

    // The scanner's blank: any byte of 32 or less.
    static bool IsBlank(unsigned char c) { return c <= 32; }
    // Single-byte a-z to A-Z; both bytes of double-byte characters stay.
    static QByteArray FoldCase(const QByteArray& text);

private:
    void prepare(const QByteArray& text);
    bool scan();

    bool m_found = false;
    QByteArray m_foldedFrom; // the pattern m_folded was made from
    QByteArray m_folded;
};
