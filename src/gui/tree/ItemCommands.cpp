#include "tree/ItemCommands.h"

#include "editor/PageView.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DesktopClipping.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"
#include "tree/OutlineModel.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTextCursor>
#include <QTextEdit>

namespace {
const char* const kCaptionModes[9] = {"ItemTitle",         "ItemCreateTitle", "ItemModifiedTitle",
                                      "ItemLimitTitle",    "ItemFinishTitle", "ItemTitleCreate",
                                      "ItemTitleModified", "ItemTitleLimit",  "ItemTitleFinish"};
} // namespace

TItemCommands::TItemCommands(TFormMain& form) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("ItemCommands"));
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &TItemCommands::onClipboardChanged);
    installHandlers();
}

TItemCommands* TItemCommands::of(TFormMain& form) {
    return form.findChild<TItemCommands*>(QStringLiteral("ItemCommands"),
                                          Qt::FindDirectChildrenOnly);
}

void TItemCommands::installHandlers() {
    TCommandTable& c = *m_form.Commands;
    c.setHandler(QStringLiteral("ItemSisterClick"), [this](int tag) { ItemSisterClick(tag); });
    c.setHandler(QStringLiteral("ItemAuntClick"), [this](int tag) { ItemAuntClick(tag); });
    c.setHandler(QStringLiteral("ItemClippingClick"), [this](int tag) { ItemClippingClick(tag); });
    c.setHandler(QStringLiteral("ItemAutoClippingClick"), [this](int) { ItemAutoClippingClick(); });
    c.setHandler(QStringLiteral("ItemClipSelctionClick"),
                 [this](int tag) { ItemClipSelctionClick(tag); });
    c.setHandler(QStringLiteral("ItemSelectBelowClick"),
                 [this](int tag) { ItemSelectBelowClick(tag); });
    c.setHandler(QStringLiteral("ItemRenameNodeClick"), [this](int) { ItemRenameNodeClick(); });
    c.setHandler(QStringLiteral("ItemTitleClick"), [this](int tag) { ItemTitleClick(tag); });

    c.addStateUpdater([this]() {
        TCommandTable& t = *m_form.Commands;
        for (int i = 0; i < 9; ++i)
            t.setChecked(QString::fromLatin1(kCaptionModes[i]), m_form.Options->ItemView == i);
        t.setChecked(QStringLiteral("ItemAutoClipping"), m_form.AutoClipping);
        t.setChecked(QStringLiteral("ItemTrayAutoClipping"), m_form.AutoClipping);
    });
    // Creation commands: the aunt needs a parent, clipping needs text.
    c.addStateUpdater([this]() {
        TCommandTable& t = *m_form.Commands;
        const bool hasParent = m_form.CurrentItem && m_form.CurrentItem->TreeNode->parent();
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        const bool hasText = mime && mime->hasText();
        t.setCommandEnabled(QStringLiteral("ItemCreateAunt"), hasParent);
        t.setCommandEnabled(QStringLiteral("CreateTVAunt"), hasParent);
        t.setCommandEnabled(QStringLiteral("TBNewAunt"), hasParent);
        t.setCommandEnabled(QStringLiteral("ItemClipping"), hasText);
        t.setCommandEnabled(QStringLiteral("CreateTVClipping"), hasText);
    });
    // Page pop-up.
    c.addStateUpdater([this]() {
        TCommandTable& t = *m_form.Commands;
        const QTextCursor cur = m_form.RichEdit->textCursor();
        const bool sel = cur.hasSelection();
        const int length = m_form.RichEdit->document()->characterCount() - 1;
        t.setCommandEnabled(QStringLiteral("ItemClipSelection"), sel);
        t.setCommandEnabled(QStringLiteral("ItemRichEditSelectBelow"),
                            cur.selectionStart() < length);
    });
}

int TItemCommands::TagToCode(int tag, const TOptionDesc& o) {
    switch (tag) {
    case 1:
        return InsertAbove;
    case 2:
        return InsertBelow;
    case 3:
        return InsertTopOfLevel;
    case 4:
        return InsertBottomOfLevel;
    case 5:
        return InsertFirstChild;
    case 6:
        return InsertLastChild;
    case 7:
        return o.SisterPos;
    case 8:
        return o.DaughterPos;
    case 9:
        return o.AuntPos;
    case 10:
        return o.ClipPos;
    default:
        return InsertBelow;
    }
}

void TItemCommands::createItem(int code, TOutlineNode* ref) {
    TLeafNote* item = TLeafNote::Create(*m_form.Outline, code, ref);
    // An id from birth lets a merge of two versions match it exactly.
    item->AssignNodeId();
    m_form.ExplorerView->selectNode(item->TreeNode);
    m_form.GoToItem(item);
}

void TItemCommands::ItemSisterClick(int tag) {
    createItem(TagToCode(tag, *m_form.Options), m_form.Outline->selectedNode());
    ItemRenameNodeClick();
    m_form.RefreshStatusPosition();
}

void TItemCommands::ItemAuntClick(int tag) {
    TOutlineNode* selected = m_form.Outline->selectedNode();
    createItem(TagToCode(tag, *m_form.Options), selected ? selected->parent() : nullptr);
    ItemRenameNodeClick();
    m_form.RefreshStatusPosition();
}

void TItemCommands::ItemRenameNodeClick() {
    if (m_form.LinkBox->hasFocus()) {
        if (m_form.LinkBox->currentItem())
            m_form.Commands->trigger(QStringLiteral("ItemEditLink"));
        return;
    }
    TOutlineNode* node = m_form.Outline->selectedNode();
    if (!node)
        return;
    if (m_form.TreeModel->captionMode() == 0) {
        m_form.ExplorerView->setFocus();
        m_form.ExplorerView->editNode(node);
    } else if (!m_form.PanelTitle->isHidden()) {
        m_form.EditTitle->setFocus();
        m_form.EditTitle->selectAll();
    }
}

void TItemCommands::ItemClippingClick(int tag) {
    ClipMimeData(QGuiApplication::clipboard()->mimeData(), tag);
}

void TItemCommands::ClipMimeData(const QMimeData* mime, int tag) {
    if (!mime || !mime->hasText())
        return;
    createItem(TagToCode(tag, *m_form.Options), m_form.Outline->selectedNode());
    if (m_form.CurrentItem == nullptr)
        return;
    if (!mime->hasHtml()) {
        // A long clip is filled in as a page is shown, not edit by edit
        // through the editor: a megabyte takes a fraction of the time.
        QString text = mime->text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        bool lossy = false;
        const QByteArray bytes = Cp932::fromUnicode(text, &lossy);
        if (!lossy) {
            m_form.CurrentItem->SetPage(bytes, QByteArray());
            TPageView::of(m_form)->ShowItem(m_form.CurrentItem);
            m_form.RichEdit->document()->setModified(true); // stored and stamped as an edit
            m_form.EditTitle->setText(TPageView::FirstNonBlankLine(m_form.RichEdit->document()));
            m_form.RefreshStatusPosition();
            return;
        }
    }
    // Paste as the page's own Paste does: rich when the clipboard offers it.
    QTextCursor cursor = m_form.RichEdit->textCursor();
    if (mime->hasHtml()) {
        cursor.insertHtml(mime->html());
        m_form.SetPageRich(true);
    } else {
        cursor.insertText(mime->text());
    }
    m_form.RichEdit->setTextCursor(cursor);
    m_form.RichEdit->document()->setModified(true);
    m_form.EditTitle->setText(TPageView::FirstNonBlankLine(m_form.RichEdit->document()));
    m_form.RefreshStatusPosition();
}

void TItemCommands::ItemClipSelctionClick(int tag) {
    if (tag == 1)
        m_form.RichEdit->cut();
    else if (tag == 2)
        m_form.RichEdit->copy();
    else
        return;
    ItemClippingClick(10);
}

void TItemCommands::ItemSelectBelowClick(int tag) {
    QTextCursor c = m_form.RichEdit->textCursor();
    const int start = c.position();
    const int end =
        m_form.RichEdit->document()->characterCount() - 1; // without the final separator
    c.setPosition(start);
    c.setPosition(qMin(end, start + 65536), QTextCursor::KeepAnchor);
    m_form.RichEdit->setTextCursor(c);
    switch (tag) {
    case 1:
        m_form.RichEdit->cut();
        break;
    case 2:
        m_form.RichEdit->copy();
        break;
    case 3:
        m_form.RichEdit->cut();
        ItemClippingClick(10);
        break;
    default:
        break;
    }
}

void TItemCommands::onClipboardChanged() {
    // Where data control watches every program's copies, it clips them itself.
    if (m_form.AutoClipping && !TDesktopClipping::of(m_form)->WatchesClipboard())
        m_form.Commands->guarded([this] { ItemClippingClick(10); });
}

void TItemCommands::refreshAutoClipMark() {
    QLabel* p = m_form.statusPanel(1);
    if (m_form.AutoClipping) {
        QAction* a = m_form.Commands->action(QStringLiteral("TBClipping"));
        p->setPixmap(a ? a->icon().pixmap(16, 16) : QPixmap());
        p->setProperty("clipMark", true);
    } else {
        p->setPixmap(QPixmap());
        p->clear();
        p->setProperty("clipMark", false);
    }
}

void TItemCommands::ItemAutoClippingClick() {
    m_form.AutoClipping = !m_form.AutoClipping;
    refreshAutoClipMark();
    TDesktopClipping::of(m_form)->AutoClippingSwitched(m_form.AutoClipping);
    // Joining the chain announces the clipboard at once.
    if (m_form.AutoClipping)
        ItemClippingClick(10);
}

void TItemCommands::ItemTitleClick(int tag) {
    if (tag < 0 || tag > 8)
        return;
    m_form.Options->ItemView = uint8_t(tag);
    m_form.TreeModel->refreshAll();
    if (m_form.CurrentItem)
        m_form.CurrentItem->RefreshCaption();
}

void InstallItemCommands(TFormMain& form) {
    if (!TItemCommands::of(form))
        new TItemCommands(form);
}
