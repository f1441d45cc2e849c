#pragma once

#include <QObject>
#include <QStringList>

class TFormMain;
class TLeafNote;

// The back and forward lists of the items shown, as a browser keeps them.
// Entry 0 of Back is the item on show; Forward's entry 0 is where a forward
// step returns to. Entries are node-link bodies: Title [";" NodeId].
class THistoryLists {
public:
    static constexpr int Limit = 32;

    QStringList Back;
    QStringList Forward;
    // Set while a step makes its jump: the visit it causes is not recorded.
    bool Navigating = false;

    static QString EntryOf(const TLeafNote& item);

    // A visit: recorded unless a step caused it (which clears the flag).
    void Record(const QString& entry);
    // Moves steps + 1 entries; false when there was nothing to step to. The
    // entry to show is then Back.front().
    bool StepBack(int extra);
    bool StepForward(int extra);
    // The drop-down menus' captions, nearest first: up to ten earlier visits;
    // up to eleven later ones.
    QStringList BackMenu() const;
    QStringList ForwardMenu() const;
    bool CanGoBack() const { return Back.size() > 1; }
    bool CanGoForward() const { return !Forward.isEmpty(); }
};

// TBBack and TBForward with their drop-down menus. Created by
// InstallNavigationHistory as a child of the window; a loaded document
// clears the back list.
class TNavigationHistory : public QObject {
    Q_OBJECT
public:
    explicit TNavigationHistory(TFormMain& form);
    static TNavigationHistory* of(TFormMain& form);

    THistoryLists& lists() { return m_lists; }

    void TBBackClick(int tag);
    void TBForwardClick(int tag);
    void PopupMenuBackPopup();
    void PopupMenuForwardPopup();

private:
    void visited(TLeafNote* item);
    void jump(const QString& entry);
    void refreshButtons();

    TFormMain& m_form;
    THistoryLists m_lists;
};
