#include "links/LinkPanel.h"

#include "dialogs/MessageBox.h"
#include "doc/DocPaths.h"
#include "doc/WrenDoc.h"
#include "editor/PageLinks.h"
#include "file/Cp932.h"
#include "links/AddFileForm.h"
#include "outline/LeafNote.h"
#include "search/FocusTray.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"
#include "tree/TreeCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QUrl>

namespace {

const QString Product = QStringLiteral("WrenNOTE");

// One line: the target's icon at (1, 1), the entry's text from x = 19.
class TLinkLineDelegate : public QStyledItemDelegate {
public:
    TLinkLineDelegate(TLinkPanel& panel, QObject* parent)
        : QStyledItemDelegate(parent), m_panel(panel) {}

    static int LineHeight(const QFont& font) {
        return std::max(17, QFontMetrics(font).height() + 1);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QString text = index.data().toString();
        return QSize(19 + option.fontMetrics.horizontalAdvance(text) + 4, LineHeight(option.font));
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QString entry = index.data().toString();
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& pal = option.palette;
        p->fillRect(r, selected ? pal.highlight() : pal.base());
        const QString target = TLinkPanel::LinkEntryTarget(entry);
        const QIcon icon = m_panel.icons().Icon(target, m_panel.AbsoluteTarget(entry));
        icon.paint(p, QRect(r.left() + 1, r.top() + 1, 16, 16));
        p->setPen(selected ? pal.highlightedText().color() : pal.text().color());
        p->setFont(option.font);
        p->drawText(QRect(r.left() + 19, r.top(), r.width() - 19, r.height()),
                    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, entry);
        if (option.state & QStyle::State_HasFocus) {
            QPen pen(pal.text().color(), 1, Qt::DotLine);
            p->setPen(pen);
            p->drawRect(r.adjusted(0, 0, -1, -1));
        }
    }

private:
    TLinkPanel& m_panel;
};

bool localFiles(const QMimeData* mime, QStringList* paths) {
    if (!mime || !mime->hasUrls())
        return false;
    QStringList out;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            out << QDir::toNativeSeparators(url.toLocalFile());
    if (paths)
        *paths = out;
    return !out.isEmpty();
}

} // namespace

std::function<bool(const QString&)> TLinkPanel::MoveToTrash = [](const QString& path) {
    return QFile::moveToTrash(path);
};

TLinkPanel::TLinkPanel(TFormMain& form) : QObject(&form), m_form(form), m_box(form.LinkBox) {
    setObjectName(QStringLiteral("LinkPanel"));
    m_box->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_box->setAccessibleName(QStringLiteral("リンクパネル"));
    m_box->setItemDelegate(new TLinkLineDelegate(*this, m_box));
    m_box->setMouseTracking(true);
    m_box->installEventFilter(this);
    m_form.LinkLines = [this]() {
        QByteArray lines;
        for (const QString& e : Entries())
            lines += Cp932::fromUnicode(e) + "\r\n";
        return lines;
    };
    connect(&form, &TFormMain::pageLoaded, this, &TLinkPanel::load);
    connect(m_box, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) {
        m_form.Commands->guarded([this] { ItemOpenLinkClick(); });
    });
    connect(m_box, &QListWidget::itemSelectionChanged, this,
            [this]() { m_form.Commands->updateStates(); });
    // Files dropped anywhere but the tree and the page (they take their own).
    m_form.setAcceptDrops(true);
    m_form.installEventFilter(this);
    m_form.EditTitle->installEventFilter(this);
    if (TTreeCommands* tree = TTreeCommands::of(form)) {
        tree->LinkDelete = [this]() { DeleteSelectedLinks(); };
        tree->LinkPaste = [this]() { PasteLink(); };
        tree->LinkHasSelection = [this]() { return HasSelection(); };
    }
    installHandlers();
}

TLinkPanel* TLinkPanel::of(TFormMain& form) {
    return form.findChild<TLinkPanel*>(QStringLiteral("LinkPanel"), Qt::FindDirectChildrenOnly);
}

void TLinkPanel::installHandlers() {
    TCommandTable& c = *m_form.Commands;
    c.setHandler(QStringLiteral("ItemOpenLinkClick"), [this](int) { ItemOpenLinkClick(); });
    c.setHandler(QStringLiteral("ItemLinkFolderClick"), [this](int) { ItemLinkFolderClick(); });
    c.setHandler(QStringLiteral("ItemAddLinkClick"), [this](int) { ItemAddLinkClick(); });
    c.setHandler(QStringLiteral("ItemEditLinkClick"), [this](int) { ItemEditLinkClick(); });
    c.setHandler(QStringLiteral("ItemCopyLinkClick"), [this](int) { ItemCopyLinkClick(); });
    c.setHandler(QStringLiteral("ItemDeleteLinkFileClick"),
                 [this](int) { ItemDeleteLinkFileClick(); });
    c.setHandler(QStringLiteral("PopupMenuLinkPopup"), [this](int) { PopupMenuLinkPopup(); });
    // "リンクを削除" shares ItemDeleteClick, routed here by the focus; from the
    // pop-up the panel may not hold it, so the entry is the panel's own.
    c.setHandler(QStringLiteral("ItemDeleteLink"), [this](int) { DeleteSelectedLinks(); });
    c.addStateUpdater([this]() {
        if (m_form.CurrentPane == TFormMain::PaneLink)
            m_form.Commands->setCommandEnabled(QStringLiteral("TBDelete"), HasSelection());
    });
}

// ---- Entries ----------------------------------------------------------------

QString TLinkPanel::LinkEntryTarget(const QString& entry) {
    const qsizetype open = entry.indexOf(QLatin1Char('<'));
    const qsizetype close = entry.indexOf(QLatin1Char('>'));
    if (open >= 0 && close >= 0 && close >= open)
        return entry.mid(open + 1, close - open - 1);
    return entry;
}

QString TLinkPanel::CopyText(const QStringList& entries) {
    QString text;
    for (const QString& e : entries) {
        QString t = LinkEntryTarget(e);
        if (!IsUrl(t))
            t = QStringLiteral(" <file:") + t + QStringLiteral("> ");
        text += t + QStringLiteral("\r\n");
    }
    return text;
}

QStringList TLinkPanel::Entries() const {
    QStringList out;
    for (int i = 0; i < m_box->count(); ++i)
        out << m_box->item(i)->text();
    return out;
}

QStringList TLinkPanel::SelectedEntries() const {
    QStringList out;
    for (int i = 0; i < m_box->count(); ++i)
        if (m_box->item(i)->isSelected())
            out << m_box->item(i)->text();
    return out;
}

bool TLinkPanel::HasSelection() const {
    for (int i = 0; i < m_box->count(); ++i)
        if (m_box->item(i)->isSelected())
            return true;
    return false;
}

QString TLinkPanel::AbsoluteTarget(const QString& entry) const {
    const QString target = LinkEntryTarget(entry);
    if (IsUrl(target))
        return target;
    return m_form.Doc ? m_form.Doc->MakeAbsolutePath(target) : target;
}

void TLinkPanel::load(TLeafNote* item) {
    m_box->clear();
    if (item) {
        const QString text = Cp932::toUnicode(item->Links);
        const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
        for (const QString& line : lines)
            if (!line.isEmpty())
                m_box->addItem(line);
    }
    m_form.LinkChanged = false;
    if (m_form.Options->LinkAuto)
        UpdateLinkPanel();
}

void TLinkPanel::addEntry(const QString& entry) {
    m_box->addItem(entry);
}

void TLinkPanel::changed() {
    m_form.LinkChanged = true;
}

void TLinkPanel::afterAdd() {
    changed();
    if (m_form.Options->LinkAuto)
        UpdateLinkPanel();
}

void TLinkPanel::AddDroppedFiles(const QStringList& paths) {
    if (!m_form.CurrentItem || paths.isEmpty())
        return;
    for (const QString& path : paths) {
        const QString name = path.left(255);
        addEntry(QLatin1Char('<') + (m_form.Doc ? m_form.Doc->MakeRelativePath(name) : name) +
                 QLatin1Char('>'));
    }
    afterAdd();
}

int TLinkPanel::lineHeight() const {
    return TLinkLineDelegate::LineHeight(m_box->font());
}

void TLinkPanel::UpdateLinkPanel() {
    const int n = m_box->count();
    if (n == 0) {
        m_form.SetLinkPanelVisible(false);
        return;
    }
    int used = 0;
    for (QWidget* w : {static_cast<QWidget*>(m_form.ListViewFocus), m_form.PanelTitle,
                       static_cast<QWidget*>(m_form.PanelAccessDate), m_form.KesRuler})
        if (w && !w->isHidden())
            used += w->height();
    const int room = (m_form.PanelRight->height() - used) / 2;
    const int frame = m_box->height() - m_box->viewport()->height();
    const int client = std::max(0, std::min(room, lineHeight() * (n + 1)));
    m_form.SetLinkPanelVisible(true);
    QSplitter* s = m_form.Splitter1;
    const QList<int> sizes = s->sizes();
    int total = 0;
    for (int v : sizes)
        total += v;
    if (total <= 0 || sizes.size() != 2) {
        m_box->resize(m_box->width(), client + std::max(0, frame));
        return;
    }
    const int box = std::min(total - 1, client + std::max(0, frame));
    s->setSizes({total - box, box});
}

// ---- Commands -----------------------------------------------------------------

void TLinkPanel::PopupMenuLinkPopup() {
    TCommandTable& t = *m_form.Commands;
    const bool sel = HasSelection();
    t.setCommandEnabled(QStringLiteral("ItemAddLink"), m_form.CurrentItem != nullptr);
    for (const char* name :
         {"ItemEditLink", "ItemOpenLink", "ItemLinkFolder", "ItemDeleteLink", "ItemCopyLink"})
        t.setCommandEnabled(QString::fromLatin1(name), sel);
    t.setCommandEnabled(QStringLiteral("ItemDeleteLinkFile"), true);
    if (QAction* send = t.action(QStringLiteral("ItemSendTo")))
        send->setVisible(false);
}

void TLinkPanel::ItemOpenLinkClick() {
    TPageLinks* links = TPageLinks::of(m_form);
    if (!links)
        return;
    for (const QString& e : SelectedEntries())
        links->JumpToFile(LinkEntryTarget(e));
}

void TLinkPanel::ItemLinkFolderClick() {
    for (const QString& e : SelectedEntries()) {
        const QString target = LinkEntryTarget(e);
        if (IsUrl(target))
            continue;
        const QString folder = FolderOf(AbsoluteTarget(e));
        if (!folder.isEmpty())
            TPageLinks::OpenUrl(QUrl::fromLocalFile(folder));
    }
}

void TLinkPanel::ItemAddLinkClick() {
    if (!m_form.CurrentItem)
        return;
    QString text;
    if (!TFormAddFile::Ask(&m_form, text) || text.isEmpty())
        return;
    addEntry(text);
    afterAdd();
}

void TLinkPanel::ItemEditLinkClick() {
    QListWidgetItem* item = m_box->currentItem();
    if (!item)
        return;
    QString text = item->text();
    if (!TFormAddFile::Ask(&m_form, text))
        return;
    if (text.isEmpty())
        delete m_box->takeItem(m_box->row(item));
    else
        item->setText(text);
    changed();
    if (m_form.Options->LinkAuto)
        UpdateLinkPanel();
}

void TLinkPanel::ItemCopyLinkClick() {
    const QStringList entries = SelectedEntries();
    if (entries.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(CopyText(entries));
}

void TLinkPanel::DeleteSelectedLinks() {
    if (!HasSelection())
        return;
    for (int i = m_box->count() - 1; i >= 0; --i)
        if (m_box->item(i)->isSelected())
            delete m_box->takeItem(i);
    UpdateLinkPanel();
    changed();
    m_form.Commands->updateStates();
}

void TLinkPanel::PasteLink() {
    if (!m_form.CurrentItem)
        return;
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime || !mime->hasText())
        return;
    QString text = mime->text();
    text.remove(QLatin1Char('\r'));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text = text.trimmed();
    if (text.isEmpty())
        return;
    addEntry(text);
    UpdateLinkPanel();
    changed();
}

void TLinkPanel::ItemDeleteLinkFileClick() {
    if (!HasSelection())
        return;
    for (int i = m_box->count() - 1; i >= 0; --i) {
        QListWidgetItem* item = m_box->item(i);
        if (!item->isSelected())
            continue;
        const QString target = LinkEntryTarget(item->text());
        if (!IsUrl(target)) {
            const QFileInfo info(AbsoluteTarget(item->text()));
            // What is deleted is the name in its real folder: a linked folder
            // above it is followed, the last name never (a link goes, not
            // what it points at), and the question names exactly that.
            // Only files go (a link to a folder is only taken off the list).
            if ((info.exists() && !info.isDir()) || info.isSymLink()) {
                const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
                const QString real = (folder.isEmpty() ? info.absolutePath() : folder) +
                                     QLatin1Char('/') + info.fileName();
                QString question =
                    QStringLiteral("次のファイルをごみ箱に移します。よろしいですか?\n%1").arg(real);
                if (info.isSymLink())
                    question += QStringLiteral("\n（シンボリックリンクです。リンク先 %1 "
                                               "は削除されません）")
                                    .arg(info.symLinkTarget());
                if (MessageBox::question(&m_form, Product, question) != QMessageBox::Yes)
                    continue;
                if (!MoveToTrash(real)) {
                    MessageBox::warning(&m_form, Product,
                                        QStringLiteral("ごみ箱に移せませんでした: %1").arg(real));
                    continue;
                }
            }
        }
        delete m_box->takeItem(i);
    }
    UpdateLinkPanel();
    changed();
    m_form.Commands->updateStates();
}

// ---- Events ---------------------------------------------------------------------

bool TLinkPanel::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == m_box && type == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->modifiers() == Qt::NoModifier && ke->key() == Qt::Key_Delete) {
            m_form.Commands->guarded([this] { DeleteSelectedLinks(); });
            return true;
        }
        if (ke->modifiers() == Qt::NoModifier &&
            (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter)) {
            m_form.Commands->guarded([this] { ItemOpenLinkClick(); });
            return true;
        }
        return false;
    }
    if (watched != &m_form && watched != m_form.EditTitle)
        return false;
    if (type == QEvent::DragEnter || type == QEvent::DragMove) {
        auto* de = static_cast<QDropEvent*>(event);
        if (localFiles(de->mimeData(), nullptr) && m_form.CurrentItem) {
            de->setDropAction(Qt::LinkAction);
            if (!(de->possibleActions() & Qt::LinkAction))
                de->setDropAction(Qt::CopyAction);
            de->accept();
            return true;
        }
        return false;
    }
    if (type == QEvent::Drop) {
        auto* de = static_cast<QDropEvent*>(event);
        QStringList paths;
        if (!localFiles(de->mimeData(), &paths))
            return false;
        m_form.Commands->guarded([&] { AddDroppedFiles(paths); });
        de->acceptProposedAction();
        return true;
    }
    return false;
}

void InstallLinkPanel(TFormMain& form) {
    if (!TLinkPanel::of(form))
        new TLinkPanel(form);
}
