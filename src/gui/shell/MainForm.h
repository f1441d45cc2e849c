#pragma once

#include "calendar/CalEx.h"
#include "calendar/DateAccessPanel.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QSplitter;
class QSystemTrayIcon;
class QTextEdit;
class QToolButton;
class QTimer;

class TCommandTable;
class TExplorerView;
class TFocusTray;
class TLeafNote;
class TOptionDesc;
class TOutline;
class TOutlineModel;

// The main window: the outline tree, the page with its title panel, the focus
// tray, the link panel, the calendar panel, six toolbars and every menu.
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    // Numbers of the panes that can hold the focus.
    enum Pane {
        PaneNone = 0,
        PaneTree = 1,
        PaneTitle = 2,
        PanePage = 3,
        PaneLink = 4,
        PaneTray = 5
    };

    // Creates the settings (at their defaults, the store not read) and an
    // empty outline; the owner fills the outline and calls ApplySettings().
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    TOptionDesc* Options = nullptr;
    TOutline* Outline = nullptr;
    // The item shown in the title box and the page; none before the first.
    TLeafNote* CurrentItem = nullptr;
    TCommandTable* Commands = nullptr;
    class TWrenDoc* Doc = nullptr;
    // Asked first by closeEvent(); false keeps the window open.
    std::function<bool()> CloseQuery;
    int CurrentPane = PaneNone;
    bool AutoClipping = false;
    // Set by panels whose edits StorePage must stamp (links, dates, progress).
    bool LinkChanged = false;
    bool DateChanged = false;
    // The link panel's lines (CR LF ended), stored when LinkChanged.
    std::function<QByteArray()> LinkLines;

    // Selects the item and shows it, storing the page being left.
    void GoToItem(TLeafNote* item);
    // Writes the title box's and the page's edits back into CurrentItem.
    void StorePage();
    // Shows the tree's selected item in the editors and makes it CurrentItem.
    void LoadPage();
    void ApplySettings();
    void CaptureSettings();

    void ItemBecomeForegroundClick();

    // Forwarded to the page view (editor/PageView).
    bool PageIsRich() const;
    void SetPageRich(bool rich);
    void IBHasStyleClick();
    void ItemSelectionToNodeTitleClick();
    // Forwarded to the item commands (tree/ItemCommands).
    void ItemSisterClick(int tag);
    void ItemAuntClick(int tag);
    void ItemClippingClick(int tag);
    void ItemClipSelctionClick(int tag);
    void ItemSelectBelowClick(int tag);
    void ItemTitleClick(int tag);
    // Forwarded to the window layout (layout/WindowLayout).
    void SetStatusVisible(bool visible);
    void SetLinkPanelVisible(bool visible);
    void SetFocusTrayVisible(bool visible);
    void SetCalendarVisible(bool visible);
    void SetDatePanelVisible(bool visible);
    void SetRulerVisible(bool visible);
    void SetTitlePanelVisible(bool visible);
    void SetMaxCalendar(bool max);
    // Told after SetMaxCalendar, by whatever shows the calendar (its clock).
    std::function<void(bool max)> MaxCalendarChanged;

    // Status bar panel 0..4.
    QLabel* statusPanel(int index) const;
    void ShowStatusMessage(const QString& text);
    // Says that a title lost characters cp932 lacks; the position text of
    // the same command does not cover it.
    void ShowLossyTitleNotice();
    // A message that the position text of the same command must not cover.
    void ShowNotice(const QString& text);
    // "n番目 / 全m項目" for the selected item.
    void RefreshStatusPosition();
    // The idle work: the page follows the tree's selection (not while an
    // arrow key is held).
    void IdleWork();
    // Pane sizes mean something only once the window has been laid out.
    bool ShownOnce() const { return m_shownOnce; }

    // Controls, by their object names.
    QWidget* PanelLeft = nullptr;
    QWidget* PanelRight = nullptr;
    QWidget* TransparentPanel1 = nullptr;
    QWidget* Box1 = nullptr;
    QToolButton* IBWrenBox = nullptr;
    TExplorerView* ExplorerView = nullptr;
    TOutlineModel* TreeModel = nullptr;
    QWidget* PanelCalendar = nullptr;
    QWidget* PanelMonth = nullptr;
    TMonthlyCalendar* MonthlyCalendar1 = nullptr;
    QSplitter* Splitter = nullptr;
    QSplitter* Splitter1 = nullptr;
    QSplitter* Splitter2 = nullptr;
    QSplitter* Splitter3 = nullptr;
    TFocusTray* ListViewFocus = nullptr;
    QFrame* PanelAccess = nullptr;
    QWidget* KesRuler = nullptr;
    TDateAccessPanel* PanelAccessDate = nullptr;
    QWidget* PanelTitle = nullptr;
    QToolButton* IBLabel = nullptr;
    QToolButton* IBProcStatus = nullptr;
    QToolButton* IBHasStyle = nullptr;
    QFrame* TitlePadding = nullptr;
    QLineEdit* EditTitle = nullptr;
    QTextEdit* RichEdit = nullptr;
    QListWidget* LinkBox = nullptr;
    QSystemTrayIcon* TrayIcon1 = nullptr;

Q_SIGNALS:
    // GoToItem moved from previous (may be none) to current.
    void currentItemChanged(TLeafNote* previous, TLeafNote* current);
    // The editors were filled from item (nullptr: emptied); the link panel
    // takes its lines from it.
    void pageLoaded(TLeafNote* item);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void installCommands();
    void scheduleIdle();
    bool sharedKeyDown(QKeyEvent* event);
    bool treeKeyDown(QKeyEvent* event);
    void paneEntered(int pane);

    std::unique_ptr<TOptionDesc> m_options;
    class TPageView* m_page = nullptr;
    class TWindowLayout* m_layout = nullptr;
    QTimer* m_idle = nullptr;
    QLabel* m_panels[5] = {};
    bool m_shownOnce = false;
    bool m_notice = false;
};

// The shell's own areas, each made by its file as a child of the window:
// the file commands with the documents, clipping from other programs, the
// tray watcher, the import command and the navigation history.
void InstallDocumentCommands(TFormMain& form);
void InstallDesktopClipping(TFormMain& form);
void InstallTrayGuard(TFormMain& form);
void InstallImportCommands(TFormMain& form);
void InstallNavigationHistory(TFormMain& form);
