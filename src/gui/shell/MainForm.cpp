#include "shell/MainForm.h"

#include "calendar/CalEx.h"
#include "calendar/CalendarCommands.h"
#include "calendar/DateAccessPanel.h"
#include "common/Clock.h"
#include "common/DateFormat.h"
#include "dialogs/MessageBox.h"
#include "editor/KesRuler.h"
#include "editor/PageCommands.h"
#include "editor/PageFileCommands.h"
#include "editor/PageLinks.h"
#include "editor/PageView.h"
#include "editor/RichEditLink.h"
#include "file/Cp932.h"
#include "interchange/InterchangeCommands.h"
#include "layout/WindowLayout.h"
#include "links/LinkPanel.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "search/FocusTray.h"
#include "search/OutputCommands.h"
#include "search/SearchCommands.h"
#include "settings/OptionCommands.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/FontList.h"
#include "tree/ExplorerView.h"
#include "tree/ItemCommands.h"
#include "tree/NodeImages.h"
#include "tree/OutlineModel.h"
#include "tree/TreeCommands.h"
#include "tree/TreeDragDrop.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QToolButton* imageButton(QWidget* parent, const char* name, const QString& text,
                         const QString& hint = QString()) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(hint.isEmpty() ? text : hint);
    b->setAutoRaise(true);
    return b;
}

} // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("WrenNOTE"));
    NodeImages::ensureResources();
    setWindowIcon(NodeImages::programIcon());
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    setFont(f);

    m_options = std::make_unique<TOptionDesc>();
    Options = m_options.get();
    // Documents of the earlier layout do not store character sets.
    Options->FontCharset = [](const QByteArray& name) {
        return FontCharset(Cp932::toUnicode(name));
    };
    Outline = new TOutline(Options, this);

    Commands = new TCommandTable(this);
    buildControls();
    m_page = new TPageView(*this);
    m_layout = new TWindowLayout(*this);
    resize(804, 393 + 28 + 19);

    m_idle = new QTimer(this);
    m_idle->setSingleShot(true);
    m_idle->setInterval(0);
    connect(m_idle, &QTimer::timeout, this, &TFormMain::IdleWork);

    connect(Outline, &TOutline::selectionChanged, this, &TFormMain::scheduleIdle);
    connect(Outline, &TOutline::aboutToReset, this, [this]() {
        // The items are about to go: nothing is stored into them any more.
        CurrentItem = nullptr;
        m_page->ClearEditors();
    });
    connect(Outline, &TOutline::resetDone, this, &TFormMain::scheduleIdle);
    connect(Outline, &TOutline::nodeAboutToBeRemoved, this, [this](TOutlineNode* node) {
        if (CurrentItem && node->contains(CurrentItem->TreeNode)) {
            CurrentItem = nullptr;
            m_page->ClearEditors();
        }
    });
    connect(Outline, &TOutline::nodeRemoved, this, &TFormMain::scheduleIdle);

    InstallItemCommands(*this);

    InstallTrayGuard(*this);

    if (auto* fontBox = qobject_cast<QComboBox*>(Commands->widget(QStringLiteral("FontBox"))))
        fontBox->addItems(InstalledFonts());
    if (auto* sizeBox = qobject_cast<QComboBox*>(Commands->widget(QStringLiteral("SizeBox"))))
        for (int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
            sizeBox->addItem(QString::number(size));
    installCommands();
    m_layout->LoadToolbarLayout();
    InstallDesktopClipping(*this);
    InstallDocumentCommands(*this);
    InstallPageFileCommands(*this);
    InstallTreeCommands(*this);
    InstallPageCommands(*this);
    InstallPageLinks(*this);
    InstallLinkPanel(*this);
    InstallNavigationHistory(*this);
    InstallTreeDragDrop(*this);
    InstallImportCommands(*this);
    InstallInterchangeCommands(*this);
    InstallOptionCommands(*this);
    InstallCalendarCommands(*this);
    InstallSearchCommands(*this);
    InstallOutputCommands(*this);
    // A day click lists the index's items under the search criteria, so
    // that refining the tray afterwards keeps to that day.
    TCalendarCommands::of(*this)->ListDueItems = [this](double day,
                                                        const std::vector<TLeafNote*>& items) {
        TSearchCommands::of(*this)->ListUpDueOn(day, &items);
    };
    Commands->updateStates();
    ExplorerView->setFocus();
}

TFormMain::~TFormMain() {
    // Views first: they must not ask the outline about items being destroyed.
    m_layout->SaveToolbarLayout();
    AutoClipping = false;
    if (ExplorerView)
        ExplorerView->setModel(nullptr);
    delete TreeModel;
    TreeModel = nullptr;
    CurrentItem = nullptr;
    delete Outline;
    Outline = nullptr;
}

void TFormMain::buildControls() {
    // Left pane: file box, tree, calendar panel.
    PanelLeft = new QWidget(this);
    PanelLeft->setObjectName(QStringLiteral("PanelLeft"));
    auto* leftLayout = new QVBoxLayout(PanelLeft);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    Splitter2 = new QSplitter(Qt::Vertical, PanelLeft);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(3);
    Splitter2->setChildrenCollapsible(false);
    leftLayout->addWidget(Splitter2);

    TransparentPanel1 = new QWidget(Splitter2);
    TransparentPanel1->setObjectName(QStringLiteral("TransparentPanel1"));
    auto* tpLayout = new QVBoxLayout(TransparentPanel1);
    tpLayout->setContentsMargins(0, 0, 0, 0);
    tpLayout->setSpacing(0);
    Box1 = new QWidget(TransparentPanel1);
    Box1->setObjectName(QStringLiteral("Box1"));
    Box1->setFixedHeight(20);
    auto* boxLayout = new QHBoxLayout(Box1);
    boxLayout->setContentsMargins(2, 0, 2, 0);
    IBWrenBox = imageButton(Box1, "IBWrenBox", QStringLiteral("すたーと"));
    IBWrenBox->setPopupMode(QToolButton::InstantPopup);
    IBWrenBox->setMenu(Commands->menu(QStringLiteral("PopupMenuWrenBox")));
    IBWrenBox->setToolButtonStyle(Qt::ToolButtonTextOnly);
    IBWrenBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    boxLayout->addWidget(IBWrenBox);
    tpLayout->addWidget(Box1);

    ExplorerView = new TExplorerView(TransparentPanel1);
    TreeModel = new TOutlineModel(Outline, this);
    ExplorerView->setOutlineModel(TreeModel);
    tpLayout->addWidget(ExplorerView);
    connect(TreeModel, &TOutlineModel::titleLossy, this, [this]() { ShowLossyTitleNotice(); });
    connect(ExplorerView, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QMenu* m = Commands->menu(QStringLiteral("PopupMenuExplorer")))
            m->popup(ExplorerView->viewport()->mapToGlobal(pos));
    });
    ExplorerView->KeyDownHook = [this](QKeyEvent* e) { return treeKeyDown(e); };
    ExplorerView->KeyUpHook = [this](QKeyEvent*) {
        if (TOutlineNode* n = Outline->selectedNode())
            GoToItem(n->item());
    };
    ExplorerView->MouseDownHook = [this](TOutlineNode* n) {
        if (n)
            GoToItem(n->item());
    };
    ExplorerView->EnterHook = [this]() { paneEntered(PaneTree); };

    PanelCalendar = new QWidget(Splitter2);
    PanelCalendar->setObjectName(QStringLiteral("PanelCalendar"));
    auto* calLayout = new QVBoxLayout(PanelCalendar);
    calLayout->setContentsMargins(0, 0, 0, 0);
    calLayout->setSpacing(0);
    PanelMonth = new QWidget(PanelCalendar);
    PanelMonth->setObjectName(QStringLiteral("PanelMonth"));
    auto* monthLayout = new QHBoxLayout(PanelMonth);
    monthLayout->setContentsMargins(0, 0, 0, 0);
    monthLayout->setSpacing(0);
    const struct {
        const char* name;
        const char* text;
        int tag;
    } monthButtons[] = {{"IBPrevMonth", "前月", 1},
                        {"IBToday", "今日", 2},
                        {"IBNextMonth", "次月", 3},
                        {"IBMinCalendar", "現在の日時を表示", 0},
                        {"CFBMaxCalendar", "カレンダー表示", 0}};
    for (const auto& mb : monthButtons) {
        QToolButton* b = imageButton(PanelMonth, mb.name, QString::fromUtf8(mb.text));
        b->setProperty("tag", mb.tag);
        b->setEnabled(false); // the calendar comes with its own widgets
        // The row must not hold the tree pane wider than the user wants it.
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        b->setMinimumWidth(0);
        monthLayout->addWidget(b);
        if (qstrcmp(mb.name, "CFBMaxCalendar") == 0)
            b->hide();
    }
    calLayout->addWidget(PanelMonth);
    MonthlyCalendar1 = new TMonthlyCalendar(PanelCalendar);
    MonthlyCalendar1->setObjectName(QStringLiteral("MonthlyCalendar1"));
    MonthlyCalendar1->setMinimumHeight(40);
    calLayout->addWidget(MonthlyCalendar1, 1);
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 0);

    // Right pane: focus tray, page area, link panel.
    PanelRight = new QWidget(this);
    PanelRight->setObjectName(QStringLiteral("PanelRight"));
    auto* rightLayout = new QVBoxLayout(PanelRight);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Vertical, PanelRight);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    rightLayout->addWidget(Splitter1);
    Splitter3 = new QSplitter(Qt::Vertical, Splitter1);
    Splitter3->setObjectName(QStringLiteral("Splitter3"));
    Splitter3->setHandleWidth(3);
    Splitter3->setChildrenCollapsible(false);

    ListViewFocus = new TFocusTray(Options, Splitter3);
    ListViewFocus->installEventFilter(this);

    PanelAccess = new QFrame(Splitter3);
    PanelAccess->setObjectName(QStringLiteral("PanelAccess"));
    PanelAccess->setFrameShape(QFrame::StyledPanel);
    auto* accessLayout = new QVBoxLayout(PanelAccess);
    accessLayout->setContentsMargins(1, 1, 1, 1);
    accessLayout->setSpacing(0);
    auto* ruler = new TKesRuler(PanelAccess);
    ruler->setFixedHeight(18);
    ruler->setEnabled(false);
    ruler->MarginRight = 17;
    KesRuler = ruler;
    PanelAccessDate = new TDateAccessPanel(PanelAccess);
    PanelAccessDate->setObjectName(QStringLiteral("PanelAccessDate"));
    PanelAccessDate->setFixedHeight(16);

    PanelTitle = new QWidget(PanelAccess);
    PanelTitle->setObjectName(QStringLiteral("PanelTitle"));
    auto* titleLayout = new QHBoxLayout(PanelTitle);
    titleLayout->setContentsMargins(1, 1, 1, 1);
    titleLayout->setSpacing(1);
    IBLabel = imageButton(PanelTitle, "IBLabel", QString());
    IBLabel->setPopupMode(QToolButton::InstantPopup);
    IBLabel->setMenu(Commands->menu(QStringLiteral("MenuLabel")));
    IBProcStatus = imageButton(PanelTitle, "IBProcStatus", QString(), TLeafNote::ProgressName(0));
    IBHasStyle = imageButton(PanelTitle, "IBHasStyle", QString(), QStringLiteral("テキスト"));
    IBHasStyle->setIcon(NodeImages::nodeIcon(4, -1));
    IBHasStyle->setProperty("tag", 0);
    for (QToolButton* b : {IBLabel, IBProcStatus, IBHasStyle}) {
        b->setIconSize(QSize(16, 16));
        b->setFixedSize(20, 20);
    }
    TitlePadding = new QFrame(PanelTitle);
    TitlePadding->setObjectName(QStringLiteral("TitlePadding"));
    TitlePadding->setAutoFillBackground(true);
    auto* padLayout = new QHBoxLayout(TitlePadding);
    padLayout->setContentsMargins(2, 0, 0, 0);
    EditTitle = new QLineEdit(TitlePadding);
    EditTitle->setObjectName(QStringLiteral("EditTitle"));
    EditTitle->setFrame(false);
    QFont tf = EditTitle->font();
    tf.setPixelSize(15);
    EditTitle->setFont(tf);
    padLayout->addWidget(EditTitle);
    titleLayout->addWidget(IBLabel);
    titleLayout->addWidget(IBProcStatus);
    titleLayout->addWidget(TitlePadding, 1);
    titleLayout->addWidget(IBHasStyle);
    EditTitle->installEventFilter(this);

    RichEdit = new TRichEditLink(PanelAccess);
    RichEdit->setFrameShape(QFrame::NoFrame);
    RichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit->setTabChangesFocus(false);
    RichEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    RichEdit->installEventFilter(this);
    connect(RichEdit, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QMenu* m = Commands->menu(QStringLiteral("PopupMenuRichEdit")))
            m->popup(RichEdit->viewport()->mapToGlobal(pos));
    });
    ruler->setRichEdit(RichEdit);
    accessLayout->addWidget(KesRuler);
    accessLayout->addWidget(PanelAccessDate);
    accessLayout->addWidget(PanelTitle);
    accessLayout->addWidget(RichEdit, 1);

    LinkBox = new QListWidget(Splitter1);
    LinkBox->setObjectName(QStringLiteral("LinkBox"));
    LinkBox->setUniformItemSizes(true);
    LinkBox->setMinimumHeight(20);
    LinkBox->setContextMenuPolicy(Qt::CustomContextMenu);
    LinkBox->installEventFilter(this);
    connect(LinkBox, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QMenu* m = Commands->menu(QStringLiteral("PopupMenuLink")))
            m->popup(LinkBox->viewport()->mapToGlobal(pos));
    });
    Splitter3->setStretchFactor(0, 0);
    Splitter3->setStretchFactor(1, 1);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    // The link panel starts two rows high; the page takes the rest.
    Splitter1->setSizes({352, 41});

    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setHandleWidth(3);
    Splitter->setChildrenCollapsible(false);
    Splitter->addWidget(PanelLeft);
    Splitter->addWidget(PanelRight);
    Splitter->setStretchFactor(0, 0);
    Splitter->setStretchFactor(1, 1);
    Splitter->setSizes({185, 619});
    setCentralWidget(Splitter);

    // Status bar: messages, auto-clipping mark, insert mode, caret, count.
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    // At least their usual texts in the bar's font; a longer text widens its
    // panel and the message panel gives way.
    const int widths[5] = {150, 30, 40, 120, 120};
    const QString samples[5] = {QString(), QString(), QStringLiteral("上書"),
                                QStringLiteral("0000 : 000 - 0000 : 000"),
                                QStringLiteral(" 0000 文字　< 0.0 枚分 >　（ 00000 バイト ）")};
    for (int i = 0; i < 5; ++i) {
        m_panels[i] = new QLabel(bar);
        m_panels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_panels[i]->setFrameShape(QFrame::Panel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        m_panels[i]->setMinimumWidth(
            std::max(widths[i], m_panels[i]->fontMetrics().horizontalAdvance(samples[i]) + 12));
        if (i == 0)
            m_panels[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        else if (i == 1)
            m_panels[i]->setFixedWidth(widths[i]);
        if (i == 1)
            m_panels[i]->setAlignment(Qt::AlignCenter);
        bar->addWidget(m_panels[i], i == 0 ? 1 : 0);
    }
    m_panels[2]->setText(QStringLiteral("挿入"));
    bar->hide();

    // Tray icon with its menu.
    TrayIcon1 = new QSystemTrayIcon(windowIcon(), this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    TrayIcon1->setToolTip(QStringLiteral("WrenNOTE"));
    TrayIcon1->setContextMenu(Commands->menu(QStringLiteral("PopupMenuTray")));
    connect(TrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason != QSystemTrayIcon::Trigger)
                    return;
                if (QApplication::activeWindow() == this)
                    close();
                else
                    ItemBecomeForegroundClick();
            });
}

QLabel* TFormMain::statusPanel(int index) const {
    return index >= 0 && index < 5 ? m_panels[index] : nullptr;
}

void TFormMain::ShowStatusMessage(const QString& text) {
    m_panels[0]->setText(text);
}

void TFormMain::ShowLossyTitleNotice() {
    ShowNotice(QStringLiteral("保存できない文字を「?」に置き換えました"));
}

void TFormMain::ShowNotice(const QString& text) {
    ShowStatusMessage(text);
    if (!m_notice) {
        m_notice = true;
        QTimer::singleShot(0, this, [this] { m_notice = false; });
    }
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (CloseQuery && !CloseQuery()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TFormMain::showEvent(QShowEvent* event) {
    m_shownOnce = true;
    QMainWindow::showEvent(event);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::FocusIn) {
        if (watched == EditTitle)
            paneEntered(PaneTitle);
        else if (watched == RichEdit)
            paneEntered(PanePage);
        else if (watched == LinkBox)
            paneEntered(PaneLink);
        else if (watched == ListViewFocus)
            paneEntered(PaneTray);
    } else if (type == QEvent::ShortcutOverride && (watched == EditTitle || watched == RichEdit)) {
        // The window's own keys win over the editors' built-in ones.
        auto* ke = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods =
            ke->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        if (mods & Qt::ControlModifier) {
            switch (ke->key()) {
            case Qt::Key_E:
            case Qt::Key_R:
                if (mods == Qt::ControlModifier)
                    return true;
                break;
            default:
                break;
            }
        }
    } else if (type == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (watched == EditTitle && (sharedKeyDown(ke) || m_page->TitleKeyDown(ke)))
            return true;
        if (watched == RichEdit && (sharedKeyDown(ke) || m_page->PageKeyDown(ke)))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::paneEntered(int pane) {
    CurrentPane = pane;
    Commands->updateStates();
}

bool TFormMain::sharedKeyDown(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers();
    if (!(mods & Qt::ControlModifier))
        return false;
    if (e->key() == Qt::Key_N) {
        // Shift before Alt.
        if (mods & Qt::ShiftModifier)
            Commands->guarded([this] { ItemSisterClick(8); });
        else if (mods & Qt::AltModifier)
            Commands->guarded([this] { ItemAuntClick(9); });
        else
            Commands->guarded([this] { ItemSisterClick(7); });
        return true;
    }
    if (e->key() == Qt::Key_O) {
        // Dropped down below the file box, without a nested event loop.
        if (QMenu* m = Commands->menu(QStringLiteral("PopupMenuWrenBox")))
            m->popup(IBWrenBox->mapToGlobal(QPoint(0, IBWrenBox->height())));
        return true;
    }
    return false;
}

bool TFormMain::treeKeyDown(QKeyEvent* e) {
    if (sharedKeyDown(e))
        return true;
    const Qt::KeyboardModifiers mods =
        e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (mods == Qt::ControlModifier && e->key() == Qt::Key_K) {
        Commands->guarded([this] { ItemClippingClick(10); });
        return true;
    }
    if (mods == Qt::NoModifier && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        RichEdit->setFocus();
        return true;
    }
    TTreeCommands* tree = TTreeCommands::of(*this);
    return tree && tree->TreeKeyDown(e);
}

void TFormMain::scheduleIdle() {
    if (m_idle && !m_idle->isActive())
        m_idle->start();
}

void TFormMain::IdleWork() {
    TOutlineNode* selected = Outline->selectedNode();
    TOutlineNode* current = CurrentItem ? CurrentItem->TreeNode : nullptr;
    if (selected != current && !ExplorerView->arrowHeld())
        GoToItem(selected ? selected->item() : nullptr);
}

void TFormMain::ItemBecomeForegroundClick() {
    if (isHidden())
        show();
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}
