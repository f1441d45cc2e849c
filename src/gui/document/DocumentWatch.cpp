#include "document/DocumentWatch.h"

#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "doc/DiskIdentity.h"
#include "doc/DocPaths.h"
#include "doc/DocumentMerge.h"
#include "doc/SafeFile.h"
#include "doc/SyncCopies.h"
#include "doc/WrenDoc.h"
#include "document/MergeForm.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DocumentCommands.h"
#include "shell/MainForm.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>

#include <unordered_set>

int TDocumentWatch::Retries = 6;
int TDocumentWatch::RetryDelayMs = 500;

namespace {

const QString Product = QStringLiteral("WrenNOTE");

// Where a node stands, by rows from the top: finds it again in a document
// read anew when it has no id.
QString rowPath(const TOutlineNode* node) {
    QString path;
    for (; node; node = node->parent())
        path.prepend(QString::number(node->row()) + QLatin1Char('/'));
    return path;
}

} // namespace

struct TDocumentWatch::Arrived {
    TOptionDesc settings;
    TOutline outline{&settings};
    TDiskIdentity identity;
};

TDocumentWatch::TDocumentWatch(TFormMain& form, TDocumentCommands& docs)
    : QObject(&docs), m_form(form), m_docs(docs) {
    setObjectName(QStringLiteral("DocumentWatch"));
    m_watcher = new QFileSystemWatcher(this);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &TDocumentWatch::check);
    // A sync tool writes in bursts; look once it has settled.
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { schedule(300); });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { schedule(300); });

    TOutline* tree = m_form.Outline;
    const auto edited = [this] { m_dirty = true; };
    connect(tree, &TOutline::nodeInserted, this, edited);
    connect(tree, &TOutline::nodeMoved, this, edited);
    connect(tree, &TOutline::nodeRemoved, this, edited);
    connect(tree, &TOutline::childrenReordered, this, edited);
    connect(tree, &TOutline::nodeChanged, this, edited);
    m_form.installEventFilter(this);

    TCommandTable& c = *m_form.Commands;
    c.setHandler(QStringLiteral("ItemMergeVersionClick"), [this](int) { ItemMergeVersionClick(); });
    c.setHandler(QStringLiteral("ItemMergeConflictClick"),
                 [this](int) { ItemMergeConflictClick(); });
    c.addStateUpdater([this] {
        m_form.Commands->setCommandEnabled(QStringLiteral("ItemMergeConflict"),
                                           !m_conflicts.isEmpty());
    });
}

TDocumentWatch::~TDocumentWatch() = default;

QString TDocumentWatch::QuestionText(const QString& path) {
    return QStringLiteral("「%1」は、このウィンドウで開いた後に他のプログラム（同期ソフトなど）"
                          "によって書き換えられました。このウィンドウにも保存していない変更が"
                          "あります。\n\n"
                          "統合する: 届いた版をこのウィンドウの内容に取り込みます（先に一覧で確認"
                          "できます）。\n"
                          "両方残す: このウィンドウの内容を別のファイルに保存し、届いた版を表示し"
                          "ます。\n"
                          "上書きする: 届いた版を別のファイルに残してから、このウィンドウの内容で"
                          "上書きします。")
        .arg(path);
}

void TDocumentWatch::Rearm() {
    TWrenDoc& doc = m_docs.doc();
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    m_path = doc.HasFileName() ? doc.FileName : QString();
    if (!m_path.isEmpty()) {
        if (QFileInfo(m_path).isFile())
            m_watcher->addPath(m_path);
        if (!FolderOf(m_path).isEmpty())
            m_watcher->addPath(FolderOf(m_path));
    }
    m_dirty = false;
    m_pending = false;
    m_tries = 0;
    m_arrived.reset();
    updateConflicts(true);
}

bool TDocumentWatch::HasUnsavedEdits() const {
    return m_dirty || m_form.RichEdit->document()->isModified() || m_form.EditTitle->isModified() ||
           m_form.LinkChanged || m_form.DateChanged;
}

void TDocumentWatch::schedule(int delayMs) {
    // A rename over the file takes it off the watch list; the new file is watched again.
    if (!m_path.isEmpty() && !m_watcher->files().contains(m_path) && QFileInfo(m_path).isFile())
        m_watcher->addPath(m_path);
    m_timer->start(delayMs);
}

void TDocumentWatch::CheckNow() {
    if (m_timer->isActive())
        m_timer->stop();
    check();
}

bool TDocumentWatch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_form && event->type() == QEvent::WindowActivate)
        QTimer::singleShot(0, this, &TDocumentWatch::CheckNow);
    return QObject::eventFilter(watched, event);
}

bool TDocumentWatch::readArrived() {
    const TDiskIdentity before = DiskIdentity::Stat(m_path);
    auto arrived = std::make_unique<Arrived>();
    const OutlineFile::ReadResult r =
        OutlineFile::readFile(m_path, arrived->settings, arrived->outline);
    const TDiskIdentity after = DiskIdentity::Stat(m_path);
    // Unreadable, or still growing while we read it: not finished yet.
    if (!r.ok || !before.known || !before.sameStat(after))
        return false;
    if (!arrived->outline.trashNode())
        TLeafNote::CreateTrash(arrived->outline);
    arrived->identity = after;
    m_arrived = std::move(arrived);
    return true;
}

void TDocumentWatch::check() {
    TWrenDoc& doc = m_docs.doc();
    if (m_busy || m_path.isEmpty() || doc.FileName != m_path || !doc.OnDisk.known || doc.ReadOnly)
        return;
    const TWrenDoc::DiskChange change = doc.CheckDisk();
    if (change == TWrenDoc::DiskSame) {
        m_tries = 0;
        updateConflicts(true);
        return;
    }
    if (change == TWrenDoc::DiskGone || !readArrived()) {
        // Sync tools delete, rename and write in steps: wait for the last.
        if (++m_tries <= Retries) {
            m_timer->start(RetryDelayMs);
            return;
        }
        m_tries = 0;
        m_form.ShowNotice(
            change == TWrenDoc::DiskGone
                ? QStringLiteral("「%1」は他のプログラムによって削除されたか名前を変えられました。"
                                 "保存すると、このウィンドウの内容で作り直します。")
                      .arg(m_path)
                : QStringLiteral("「%1」は他のプログラムによって書き換えられましたが、読み込めま"
                                 "せんでした。保存するときに、どうするかお尋ねします。")
                      .arg(m_path));
        return;
    }
    m_tries = 0;
    if (!HasUnsavedEdits()) {
        reloadKeepingView();
        return;
    }
    if (!m_form.isActiveWindow() || QApplication::activeModalWidget()) {
        if (!m_pending)
            m_form.ShowNotice(QStringLiteral("他のプログラムが文書を更新しました。このウィンドウに"
                                             "戻ったときに、どうするかお尋ねします。"));
        m_pending = true;
        return;
    }
    m_pending = false;
    ask(false);
}

void TDocumentWatch::reloadKeepingView() {
    // What the user was looking at, found again where it still exists.
    std::unordered_set<int32_t> openIds;
    QSet<QString> openRows;
    m_form.Outline->forEach([&](TOutlineNode* n) {
        if (n->expanded()) {
            if (n->item()->NodeId != 0)
                openIds.insert(n->item()->NodeId);
            else
                openRows.insert(rowPath(n));
        }
        return true;
    });
    const TOutlineNode* selected = m_form.Outline->selectedNode();
    const int32_t selectedId = selected ? selected->item()->NodeId : 0;
    const QString selectedRows = selected ? rowPath(selected) : QString();
    const int scroll = m_form.RichEdit->verticalScrollBar()->value();

    m_arrived.reset();
    m_docs.ReloadDocument();

    TOutline& tree = *m_form.Outline;
    TOutlineNode* again = selectedId != 0 ? tree.findByNodeId(selectedId) : nullptr;
    tree.beginUpdate();
    tree.forEach([&](TOutlineNode* n) {
        const QString rows = rowPath(n);
        if (!again && selectedId == 0 && rows == selectedRows)
            again = n;
        if (n->hasChildren()) {
            const bool open = n->item()->NodeId != 0 ? openIds.count(n->item()->NodeId) > 0
                                                     : openRows.contains(rows);
            if (open != n->expanded())
                tree.setExpanded(n, open);
        }
        return true;
    });
    tree.endUpdate();
    if (again && again != tree.selectedNode()) {
        tree.setSelectedNode(again);
        m_form.GoToItem(again->item());
    }
    if (again && m_form.CurrentItem == again->item())
        QTimer::singleShot(
            0, this, [this, scroll] { m_form.RichEdit->verticalScrollBar()->setValue(scroll); });
    const QString notice = QStringLiteral("他のプログラムが文書を更新したため、読み込み直しました");
    m_form.ShowNotice(notice);
    Q_EMIT followed(notice);
}

TDocumentWatch::Outcome TDocumentWatch::ask(bool atSave) {
    m_busy = true;
    const MessageBox::Button answer =
        MessageBox::ask(&m_form, Product, QuestionText(m_path),
                        {{QMessageBox::Yes, QStringLiteral("統合する(&M)")},
                         {QMessageBox::No, QStringLiteral("両方残す(&B)")},
                         {QMessageBox::Save, QStringLiteral("上書きする(&O)")},
                         {QMessageBox::Cancel, QStringLiteral("キャンセル")}},
                        QMessageBox::Yes);
    Outcome outcome = Cancelled;
    TWrenDoc& doc = m_docs.doc();
    const QDateTime now = QDateTime::currentDateTime();
    try {
        if (answer == QMessageBox::Yes) {
            if (!m_arrived && !readArrived())
                MessageBox::warning(
                    &m_form, Product,
                    QStringLiteral("届いた版を読み込めないため、統合できません。\n"
                                   "「両方残す」か「上書きする」を選んでください。"));
            else if (mergeArrived())
                outcome = Merged;
        } else if (answer == QMessageBox::No) {
            m_form.StorePage();
            const bool readable = m_arrived || readArrived();
            const QString mine = SyncCopies::KeptCopyName(m_path, SyncCopies::OursLabel(), now);
            doc.WriteTo(mine, m_docs.host(), nullptr);
            if (readable) {
                reloadKeepingView();
                m_form.ShowNotice(QStringLiteral("このウィンドウの変更を「%1」に保存し、届いた版を"
                                                 "表示しています。")
                                      .arg(mine));
            } else {
                // Nothing to show instead: the window keeps what it has.
                m_form.ShowNotice(QStringLiteral("このウィンドウの変更を「%1」に保存しました。"
                                                 "届いた版は読み込めないため、表示していません。")
                                      .arg(mine));
            }
            outcome = KeptBoth;
        } else if (answer == QMessageBox::Save) {
            const QString theirs = SyncCopies::KeptCopyName(m_path, SyncCopies::TheirsLabel(), now);
            SafeFile::LinkOrCopy(m_path, theirs);
            if (m_docs.SaveOverwriting()) {
                m_form.ShowNotice(QStringLiteral("届いた版を「%1」に残し、このウィンドウの内容で"
                                                 "上書きしました。")
                                      .arg(theirs));
                outcome = Overwrote;
            }
        }
    } catch (const EFileError& e) {
        MessageBox::critical(&m_form, Product, e.message());
        outcome = Cancelled;
    }
    m_busy = false;
    (void)atSave;
    return outcome;
}

bool TDocumentWatch::ResolveAtSave() {
    if (!readArrived())
        m_arrived.reset();
    const Outcome outcome = ask(true);
    // The merged-in version is what the file is known to hold; a newer one
    // arriving while the list was shown is asked about again.
    if (outcome == Merged)
        return m_docs.ItemSaveClick();
    return outcome == KeptBoth || outcome == Overwrote;
}

void TDocumentWatch::apply(TDocumentMerge& merge) {
    // The page shown may change under the editor: shown again afterwards.
    TLeafNote* current = m_form.CurrentItem;
    TOutlineNode* node = current ? current->TreeNode : nullptr;
    m_form.GoToItem(nullptr);
    merge.Apply();
    if (node)
        m_form.GoToItem(node->item());
    m_dirty = true;
}

bool TDocumentWatch::mergeArrived() {
    m_form.StorePage();
    TDocumentMerge merge(*m_form.Outline, m_arrived->outline, &m_docs.doc().Base);
    if (!TFormMerge::Confirm(&m_form, merge,
                             QFileInfo(m_path).fileName() + QStringLiteral("（届いた版）")))
        return false;
    apply(merge);
    // The version taken in is what the file holds now; the result is ours
    // until it is saved.
    merge.TakeTheirsAsBase(m_docs.doc().Base);
    m_docs.doc().OnDisk = m_arrived->identity;
    m_arrived.reset();
    m_dirty = true;
    const QString notice =
        QStringLiteral("届いた版を統合しました。保存するとファイルに書き込まれます。");
    m_form.ShowNotice(notice);
    Q_EMIT followed(notice);
    return true;
}

bool TDocumentWatch::MergeFile(const QString& path, bool withBase) {
    Arrived other;
    const OutlineFile::ReadResult r = OutlineFile::readFile(path, other.settings, other.outline);
    if (!r.ok) {
        MessageBox::critical(
            &m_form, Product,
            QStringLiteral("「%1」を読み込めないため、統合できません。\n%2").arg(path, r.error));
        return false;
    }
    if (!other.outline.trashNode())
        TLeafNote::CreateTrash(other.outline);
    m_form.StorePage();
    TDocumentMerge merge(*m_form.Outline, other.outline, withBase ? &m_docs.doc().Base : nullptr);
    if (merge.Actions().empty()) {
        MessageBox::information(&m_form, Product,
                                QStringLiteral("「%1」には、この文書にない内容はありません。")
                                    .arg(QFileInfo(path).fileName()));
        return true;
    }
    if (!TFormMerge::Confirm(&m_form, merge, QFileInfo(path).fileName()))
        return false;
    apply(merge);
    m_form.Commands->updateStates();
    m_form.ShowNotice(
        QStringLiteral("「%1」を統合しました（%2）。保存するとファイルに書き込まれます。")
            .arg(QFileInfo(path).fileName(), merge.Report().section(QLatin1Char('\n'), -2, -2)));
    return true;
}

void TDocumentWatch::ItemMergeVersionClick() {
    TWrenDoc& doc = m_docs.doc();
    const QString path =
        FileDialog::getOpenFileName(&m_form, QStringLiteral("統合する版を選ぶ"), doc.DialogFolder(),
                                    QStringLiteral("WrenNOTE files (*.wrn *.wr~)"));
    if (!path.isEmpty())
        MergeFile(path, false);
}

void TDocumentWatch::ItemMergeConflictClick() {
    updateConflicts(false);
    if (!m_conflicts.isEmpty())
        MergeFile(m_conflicts.first(), false);
}

void TDocumentWatch::updateConflicts(bool announce) {
    const QStringList found =
        m_path.isEmpty() ? QStringList() : SyncCopies::ConflictCopiesOf(m_path);
    if (announce && !found.isEmpty() && found != m_conflicts)
        m_form.ShowNotice(QStringLiteral("同期ソフトが残した競合コピー「%1」があります。"
                                         "「ファイル」→「競合コピーと統合」で取り込めます。")
                              .arg(QFileInfo(found.first()).fileName()));
    if (found != m_conflicts) {
        m_conflicts = found;
        m_form.Commands->setCommandEnabled(QStringLiteral("ItemMergeConflict"),
                                           !m_conflicts.isEmpty());
    }
}
