#pragma once

#include "search/FindDesc.h"

#include <QObject>

#include <memory>
#include <vector>

class TFocusTray;
class TFocusTrayModel;
class TFormFind;
class TFormMain;
class TLeafNote;

// The listing commands of the Search menu and toolbar, the listing routine
// ListUp and what the focus tray does on clicks, keys and column clicks.
// Owns the window's search criteria. Created by
// InstallSearchCommands as a child of the window.
class TSearchCommands : public QObject {
    Q_OBJECT
public:
    explicit TSearchCommands(TFormMain& form);
    ~TSearchCommands() override;
    static TSearchCommands* of(TFormMain& form);

    // The criteria of the last listing; row clicks read them again.
    TFindDesc& FindDesc() { return m_find; }
    TFocusTray* tray() const;
    TFocusTrayModel* trayModel() const;
    // The search dialog, created on first use and kept.
    TFormFind* FindForm();

    // The kind of the column last clicked into ascending order; 0 none.
    int SortKind = 0;

    void ItemFindClick();
    void ItemListUpProcsClick();
    void ItemListUpUnfinishedClick();
    void ItemListUpOutOfDateClick();
    void TBListUpCurrentNodesClick();
    // The not-started and in-progress items due on day (any time of it):
    // what a click on a day of the month calendar lists.
    // candidates, when known (the calendar's index), spare a walk of the
    // whole outline; the criteria are set all the same for refining.
    void ListUpDueOn(double day, const std::vector<TLeafNote*>* candidates = nullptr);
    // The listing with the criteria as they are.
    void ListUp(const std::vector<TLeafNote*>* candidates = nullptr);
    // Sorts the rows by kind (ListViewFocusCompare); SortKind stays.
    void SortTray(int kind);

    // Tray events.
    void ListViewFocusClick(bool ctrl);
    void ListViewFocusDblClick();
    void ListViewFocusBackspace();
    void ListViewFocusColumnClick(int kind);

private:
    void releaseCurrentNodes();
    void onCurrentItemChanged(TLeafNote* previous, TLeafNote* current);
    // Every occurrence of the search text in the page red and bold.
    void paintOccurrences();
    bool selectNextInPage();
    bool selectInTitle();

    TFormMain& m_form;
    TFindDesc m_find;
    TFormFind* m_findForm = nullptr;
};

void InstallSearchCommands(TFormMain& form);
