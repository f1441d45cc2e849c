#pragma once

#include <QObject>

class QVBoxLayout;
class TFormMain;

// Where the main window's panes stand and which of them show: the View
// menu, the splitters, the calendar's size, the page area's order of
// panels, the toolbars' places, and the window-layout settings taken from
// the window and put back. Created by the window as its child.
class TWindowLayout : public QObject {
    Q_OBJECT
public:
    explicit TWindowLayout(TFormMain& form);
    static TWindowLayout* of(TFormMain& form);

    // The layout settings into the window, and taken from it.
    void ApplyToWindow();
    void CaptureFromWindow();

    void SetSplitVertical(bool vertical);
    void SetTreeVisible(bool visible);
    void SetStatusVisible(bool visible);
    void SetLinkPanelVisible(bool visible);
    void SetFocusTrayVisible(bool visible);
    void SetCalendarVisible(bool visible);
    void SetDatePanelVisible(bool visible);
    void SetRulerVisible(bool visible);
    void SetTitlePanelVisible(bool visible);
    void SetWordWrap(bool wrap);
    void SetMaxCalendar(bool max);

    void ItemShowTBRClick(int tag);
    void ItemShowStatusBarClick();
    void ItemShowExViewClick();
    void ItemShowCalendarClick();
    void ItemShowFocusTrayClick();
    void ItemShowTitlePanelClick();
    void ItemShowDatePanelClick();
    void ItemShowRulerClick();
    void ItemShowLinkPanelClick();
    void ItemChangeSplitClick();
    void ItemWordWrapClick();
    void ItemLoadSettingsClick();
    void ItemSaveSettingsClick();

    // The toolbars' places and visibility, from the store and into it.
    void LoadToolbarLayout();
    void SaveToolbarLayout();

private:
    // The six toolbars by their View-menu tag.
    static const char* const ToolbarsByTag[6];

    void installHandlers();
    void relayoutAccess();
    QVBoxLayout* accessLayout() const;
    void syncViewButtons();
    void applyTreeSize();
    void rebuildColumns();

    TFormMain& m_form;
    bool m_maxCalendar = true;
};
