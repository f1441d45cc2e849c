#include "shell/DocumentCommands.h"

#include "common/Clock.h"
#include "common/ProgramFolder.h"
#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "doc/DiskIdentity.h"
#include "doc/DocPaths.h"
#include "doc/SafeFile.h"
#include "doc/WrenDoc.h"
#include "document/DocumentWatch.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "platform/FileTypes.h"
#include "platform/SingleInstance.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DesktopClipping.h"
#include "shell/LoadProgress.h"
#include "shell/MainForm.h"
#include "shell/VersionForm.h"
#include "tree/ItemCommands.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLockFile>
#include <QMenu>
#include <QProcess>
#include <QSessionManager>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <exception>
#include <new>

namespace {

const QString Product = QStringLiteral("WrenNOTE");
const QString Saving = QStringLiteral("[保存中]");

} // namespace

std::function<bool()> TDocumentCommands::CtrlHeld = [] {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
};

std::function<QString(const QString&, const QString&, const QString&, bool*)>
    TDocumentCommands::InputBox =
        [](const QString& title, const QString& prompt, const QString& preset, bool* ok) {
            QInputDialog dialog(QApplication::activeWindow());
            dialog.setWindowTitle(title);
            dialog.setLabelText(prompt);
            dialog.setTextValue(preset);
            dialog.setOkButtonText(QStringLiteral("OK"));
            dialog.setCancelButtonText(QStringLiteral("キャンセル"));
            const bool accepted = dialog.exec() == QDialog::Accepted;
            if (ok)
                *ok = accepted;
            return accepted ? dialog.textValue() : QString();
        };

std::function<bool(const QStringList&)> TDocumentCommands::StartInstance =
    [](const QStringList& args) {
        return QProcess::startDetached(QCoreApplication::applicationFilePath(), args);
    };

std::function<bool()> TDocumentCommands::TrayAvailable = [] {
    return QSystemTrayIcon::isSystemTrayAvailable();
};

std::function<bool(const QString&)> TDocumentCommands::OpenWithDesktop = [](const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
};

bool TDocumentCommands::OpenOrSay(QWidget* parent, const QString& path) {
    if (OpenWithDesktop(path))
        return true;
    MessageBox::warning(parent, Product,
                        QStringLiteral("「%1」を開くプログラムが見つかりませんでした。")
                            .arg(QDir::toNativeSeparators(path)));
    return false;
}

// The window as the document sees it.
class TDocumentCommands::Host : public TWrenDocHost {
public:
    explicit Host(TDocumentCommands& owner) : m_owner(owner) {}
    TOptionDesc& DocSettings() override { return *m_owner.m_form.Options; }
    TOutline& DocOutline() override { return *m_owner.m_form.Outline; }
    void StorePage() override { m_owner.m_form.StorePage(); }
    void CaptureSettings() override { m_owner.m_form.CaptureSettings(); }
    void ApplySettings() override { m_owner.m_form.ApplySettings(); }
    void BeginCaptionEdit(TOutlineNode* node) override { m_owner.m_editNew = node; }
    bool CompositionPending() override { return m_owner.m_composing; }
    void ShowWarning(const QString& text) override {
        MessageBox::warning(&m_owner.m_form, Product, text);
    }
    bool Confirm(const QString& question) override {
        return MessageBox::question(&m_owner.m_form, Product, question) == QMessageBox::Yes;
    }
    bool LoadProgress(qint64 done, qint64 total) override {
        return !m_owner.m_loadProgress || m_owner.m_loadProgress->step(done, total);
    }

private:
    TDocumentCommands& m_owner;
};

TDocumentCommands::TDocumentCommands(TFormMain& form)
    : QObject(&form), m_form(form), m_host(std::make_unique<Host>(*this)),
      m_doc(std::make_unique<TWrenDoc>(ProgramFolder())),
      m_instance(std::make_unique<TSingleInstance>()) {
    setObjectName(QStringLiteral("DocumentCommands"));
    m_form.Doc = m_doc.get();
    connect(m_instance.get(), &TSingleInstance::showRequested, &m_form,
            &TFormMain::ItemBecomeForegroundClick);

    TCommandTable& c = *m_form.Commands;
    c.setHandler(QStringLiteral("ItemNewClick"), [this](int) { ItemNewClick(); });
    c.setHandler(QStringLiteral("ItemOpenClick"), [this](int) { ItemOpenClick(); });
    c.setHandler(QStringLiteral("ItemOpenManualClick"), [this](int) { ItemOpenManualClick(); });
    c.setHandler(QStringLiteral("ItemSaveClick"), [this](int) { ItemSaveClick(); });
    c.setHandler(QStringLiteral("ItemSaveAsClick"), [this](int) { ItemSaveAsClick(); });
    c.setHandler(QStringLiteral("ItemSaveSelectionClick"),
                 [this](int) { ItemSaveSelectionClick(); });
    c.setHandler(QStringLiteral("ItemRevertClick"), [this](int) { ItemRevertClick(); });
    c.setHandler(QStringLiteral("ItemRenameFileClick"), [this](int) { ItemRenameFileClick(); });
    c.setHandler(QStringLiteral("ItemOpenWrenFolderClick"),
                 [this](int) { ItemOpenWrenFolderClick(); });
    c.setHandler(QStringLiteral("N50Click"), [this](int) { N50Click(); });
    c.setHandler(QStringLiteral("N52Click"), [this](int) { N52Click(); });
    c.setHandler(QStringLiteral("ItemSetWrnTypeClick"), [this](int) { ItemSetWrnTypeClick(); });
    c.setHandler(QStringLiteral("ItemExitClick"), [this](int tag) { ItemExitClick(tag); });
    c.setHandler(QStringLiteral("ItemCloseClick"), [this](int) { ItemCloseClick(); });
    c.setHandler(QStringLiteral("ItemShowVersionClick"), [this](int) { ItemShowVersionClick(); });
    c.setHandler(QStringLiteral("PopupMenuWrenBoxPopup"), [this](int) { PopupMenuWrenBoxPopup(); });

    m_form.CloseQuery = [this] { return FormCloseQuery(); };
    m_watch = new TDocumentWatch(m_form, *this);

    // Auto-save looks at the clock once a second whenever the program is idle.
    m_idle = new QTimer(this);
    m_idle->setInterval(1000);
    connect(m_idle, &QTimer::timeout, this, &TDocumentCommands::IdleAutoSave);
    m_idle->start();

    // Input-method composition, seen by every widget of the program.
    qApp->installEventFilter(this);
}

// Runs while the window's base class deletes its children: the window's own
// members are gone by then and must not be touched.
TDocumentCommands::~TDocumentCommands() {
    if (qApp)
        qApp->removeEventFilter(this);
}

TWrenDocHost& TDocumentCommands::host() const {
    return *m_host;
}

void TDocumentCommands::ReloadDocument() {
    // Following the file is no opening: our own auto-save copy stays ours
    // (to be deleted by the next save) and is not offered as a crash's.
    const TDiskIdentity own = m_doc->OwnAutoSave;
    m_offerAutoSave = false;
    reload(m_doc->FileName);
    m_offerAutoSave = true;
    m_doc->OwnAutoSave = own;
}

bool TDocumentCommands::SaveOverwriting() {
    return saveWithCaption(true);
}

TDocumentCommands* TDocumentCommands::of(TFormMain& form) {
    return form.findChild<TDocumentCommands*>(QStringLiteral("DocumentCommands"),
                                              Qt::FindDirectChildrenOnly);
}

bool TDocumentCommands::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::InputMethod)
        m_composing = !static_cast<QInputMethodEvent*>(event)->preeditString().isEmpty();
    return QObject::eventFilter(watched, event);
}

void TDocumentCommands::showError(const QString& message) {
    MessageBox::critical(&m_form, Product, message);
}

void TDocumentCommands::listen() {
    if (!m_doc->HasFileName()) {
        m_instance->Stop();
        return;
    }
    // A document another instance also has open cannot be handed over to us.
    m_instance->Listen(m_doc->FileName);
}

void TDocumentCommands::RefreshCaptions() {
    m_form.setWindowTitle(m_doc->GetWindowCaption());
    const QString appTitle = m_doc->GetAppTitle();
    if (m_form.TrayIcon1)
        m_form.TrayIcon1->setToolTip(appTitle);
    if (QAction* a = m_form.Commands->action(QStringLiteral("ItemTrayFileTitle")))
        a->setText(appTitle);
    if (m_form.IBWrenBox)
        m_form.IBWrenBox->setText(m_doc->GetDocumentName());
}

void TDocumentCommands::StartDocument(std::unique_ptr<TWrenDoc> doc,
                                      std::unique_ptr<TSingleInstance> instance) {
    if (doc) {
        m_doc = std::move(doc);
        m_form.Doc = m_doc.get();
    }
    if (instance) {
        m_instance = std::move(instance);
        connect(m_instance.get(), &TSingleInstance::showRequested, &m_form,
                &TFormMain::ItemBecomeForegroundClick);
    }
    reload(m_doc->FileName);
}

QString TDocumentCommands::HeldElsewhereMessage(const QString& path) {
    return QStringLiteral("%1 は別のウィンドウで開かれています。").arg(path);
}

TDocumentCommands::LockResult TDocumentCommands::lockDocument(const QString& path) {
    // An older-format file is written as the ".wrn" it becomes.
    // A name not yet written is spelled through its folder, as it will be.
    QString key = CanonicalPath(path);
    if (!QFileInfo::exists(path)) {
        const QString folder = CanonicalPath(FolderOf(path));
        if (!folder.isEmpty())
            key = folder + QLatin1Char('/') + FileNameOf(path);
    }
    if (ExtOf(key).compare(QLatin1String(".lkp"), Qt::CaseInsensitive) == 0)
        key = WithLastChars(key, QStringLiteral("wrn"));
    if (m_lock && m_lockPath == key)
        return LockTaken;
    auto lock = std::make_unique<QLockFile>(TWrenDoc::LockFileName(key));
    // Only a lock whose process is gone is stale, however old it is.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        m_lockPath = key;
        return LockTaken;
    }
    return lock->error() == QLockFile::LockFailedError ? LockHeld : LockUnavailable;
}

// Loads path into the window: the part of opening and reverting after the
// old document was given up.
void TDocumentCommands::reload(const QString& requested) {
    // The old document is given up: a clip must not go into it, even while
    // the question below is open.
    TDesktopClipping::of(m_form)->UnregisterHotKey();
    // Two windows writing one file would each overwrite the other's work.
    QString path = requested;
    bool readOnly = false;
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        const LockResult lock = lockDocument(path);
        if (lock == LockTaken) {
            // Only a killed save leaves the temporary file while nobody else
            // may write the document; the next save would replace it anyway.
            const QFileInfo temp(TWrenDoc::TempFileName(path));
            if (temp.isFile() && !temp.isSymLink())
                QFile::remove(temp.filePath());
        }
        if (lock != LockTaken) {
            m_lock.reset();
            m_lockPath.clear();
        }
        if (lock == LockHeld) {
            if (MessageBox::question(&m_form, Product,
                                     HeldElsewhereMessage(path) +
                                         QStringLiteral("\n読み取り専用で開きますか？")) ==
                QMessageBox::Yes)
                readOnly = true;
            else
                path.clear();
        }
    } else {
        m_lock.reset();
        m_lockPath.clear();
    }
    TOutline& tree = *m_form.Outline;
    tree.beginUpdate();
    m_form.GoToItem(nullptr);
    m_editNew = nullptr;
    m_doc->SetFileName(path);
    m_doc->ReadOnly = readOnly;
    QString error;
    QString cancelled;
    m_loadProgress = std::make_unique<TLoadProgress>(&m_form, path);
    try {
        m_doc->Load(*m_host);
    } catch (const EReadCancelled& e) {
        cancelled = e.message();
    } catch (const EReadError& e) {
        error = e.message();
    } catch (const EIllegalOptionRecord& e) {
        error = e.message();
    } catch (const EFileError& e) {
        error = e.message();
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("メモリが足りないため、ファイル「%1」を読み込めませんでした。")
                    .arg(path);
    } catch (const std::exception& e) {
        // Whatever went wrong, the window is put back together below.
        error = QString::fromLocal8Bit(e.what());
    }
    m_loadProgress.reset();
    if (!cancelled.isEmpty()) {
        // The document given up on is not this window's any more.
        m_lock.reset();
        m_lockPath.clear();
    }
    RefreshCaptions();
    listen();
    TDesktopClipping::of(m_form)->RegisterHotKey();
    TOutlineNode* selected = tree.selectedNode();
    m_form.GoToItem(selected ? selected->item() : nullptr);
    tree.endUpdate();
    m_form.Commands->updateStates();
    if (!error.isEmpty()) {
        // The previous document's caret position must not stay as if it
        // described what was read.
        m_form.statusPanel(3)->clear();
        m_form.statusPanel(4)->clear();
        showError(error);
        Q_EMIT loadFailed(error);
    }
    if (!cancelled.isEmpty())
        m_form.ShowNotice(cancelled);
    m_watch->Rearm();
    if (error.isEmpty() && cancelled.isEmpty() && m_doc->LoadedOK) {
        if (ExtOf(m_doc->FileName).toLower() == QLatin1String(".wr~"))
            m_form.ShowNotice(QStringLiteral("自動保存ファイルを読み取り専用で開きました。"
                                             "「名前を付けて保存」で .wrn として保存できます。"));
        else if (m_offerAutoSave && !m_doc->ReadOnly && m_doc->HasNewerAutoSave())
            offerAutoSaveCopy();
    }
    if (m_editNew && m_form.CurrentItem && m_form.CurrentItem->TreeNode == m_editNew) {
        m_editNew = nullptr;
        QTimer::singleShot(0, &m_form, [this] {
            if (m_form.CurrentItem)
                TItemCommands::of(m_form)->ItemRenameNodeClick();
        });
    }
}

void TDocumentCommands::ItemNewClick() {
    if (!StartInstance({QStringLiteral("-n")}))
        showError(QStringLiteral("新しいウィンドウを開けませんでした。"));
}

void TDocumentCommands::ItemOpenClick() {
    const QString path = FileDialog::getOpenFileName(&m_form, QStringLiteral("開く"),
                                                     m_doc->DialogFolder() + QLatin1Char('/') +
                                                         m_doc->DialogFileName(),
                                                     TWrenDoc::OpenDialogFilter());
    if (!path.isEmpty())
        OpenFile(path);
}

void TDocumentCommands::offerAutoSaveCopy() {
    const QString copy = TWrenDoc::AutoSaveFileName(m_doc->FileName);
    const QString when = QFileInfo(copy).lastModified().toString(QStringLiteral("yyyy/MM/dd H:mm"));
    const MessageBox::Button answer = MessageBox::ask(
        &m_form, Product,
        QStringLiteral("「%1」には、保存されていない自動保存の版（%2、%3）があります。"
                       "前回、プログラムが正しく終了しなかったおそれがあります。\n\n"
                       "自動保存の版を開く: その内容を表示します。保存するまで、文書のファイルは"
                       "そのままです。\n"
                       "比べて統合する: 違いを一覧で確かめてから、この文書に取り込みます。\n"
                       "自動保存の版を捨てる: ごみ箱に移します。")
            .arg(m_doc->FileName, FileNameOf(copy), when),
        {{QMessageBox::Yes, QStringLiteral("自動保存の版を開く(&O)")},
         {QMessageBox::No, QStringLiteral("比べて統合する(&M)")},
         {QMessageBox::Discard, QStringLiteral("自動保存の版を捨てる(&D)")},
         {QMessageBox::Cancel, QStringLiteral("キャンセル")}},
        QMessageBox::Yes);
    if (answer == QMessageBox::Yes) {
        TOutline& tree = *m_form.Outline;
        tree.beginUpdate();
        m_form.GoToItem(nullptr);
        const QString error = m_doc->LoadAutoSaveCopy(*m_host);
        if (!error.isEmpty()) {
            tree.endUpdate();
            showError(error);
            // The copy stays, nothing of it taken, and is not offered again now.
            m_offerAutoSave = false;
            reload(m_doc->FileName);
            m_offerAutoSave = true;
            return;
        }
        TOutlineNode* selected = tree.selectedNode();
        m_form.GoToItem(selected ? selected->item() : nullptr);
        tree.endUpdate();
        m_form.Commands->updateStates();
        m_watch->Rearm();
        m_watch->MarkEdited();
        m_form.ShowNotice(
            QStringLiteral("自動保存の版を開きました。保存すると文書に書き込まれます。"));
    } else if (answer == QMessageBox::No) {
        if (m_watch->MergeFile(copy, true))
            m_doc->OwnAutoSave = DiskIdentity::Stat(copy);
    } else if (answer == QMessageBox::Discard) {
        // Qt falls back to a trash in the working folder when the user's data
        // folder does not exist yet: it is made first.
        QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
        QString trashed;
        if (!QFile::moveToTrash(copy, &trashed))
            showError(
                QStringLiteral("自動保存ファイル「%1」をごみ箱に移せませんでした。").arg(copy));
        else if (QFileInfo(trashed).isRelative())
            m_form.ShowNotice(QStringLiteral("自動保存ファイルを「%1」に移しました。")
                                  .arg(QFileInfo(trashed).absoluteFilePath()));
    }
}

bool TDocumentCommands::saveWithCaption(bool overwrite) {
    const QString caption = m_form.windowTitle();
    m_form.setWindowTitle(caption + Saving);
    bool saved = false;
    try {
        saved = m_doc->Save(*m_host, overwrite);
    } catch (const EChangedOnDisk&) {
        m_form.setWindowTitle(caption);
        // Another program's version is on disk: never written over unasked.
        return m_watch->ResolveAtSave();
    } catch (const EFileError& e) {
        m_form.setWindowTitle(caption);
        showError(e.message());
        return false;
    } catch (const std::bad_alloc&) {
        m_form.setWindowTitle(caption);
        showError(QStringLiteral("メモリが足りないため、ファイル「%1」を保存できませんでした。")
                      .arg(m_doc->FileName));
        return false;
    } catch (const std::exception& e) {
        // Also run from the close box, where nothing may escape.
        m_form.setWindowTitle(caption);
        showError(QString::fromUtf8(e.what()));
        return false;
    }
    RefreshCaptions();
    if (saved)
        m_watch->Rearm();
    return saved;
}

bool TDocumentCommands::ItemSaveClick() {
    if (!m_doc->HasFileName())
        return ItemSaveAsClick();
    return saveWithCaption();
}

bool TDocumentCommands::ItemSaveAsClick() {
    QString path = FileDialog::getSaveFileName(&m_form, QStringLiteral("ファイル全体を保存"),
                                               m_doc->DialogFolder() + QLatin1Char('/') +
                                                   m_doc->DialogFileName(),
                                               TWrenDoc::DialogFilter());
    if (path.isEmpty())
        return false;
    if (ExtOf(path).toLower() != QLatin1String(".wrn")) {
        path += QStringLiteral(".wrn");
        // The dialog confirmed the name without the extension only.
        if (QFileInfo::exists(path) &&
            MessageBox::question(
                &m_form, Product,
                QStringLiteral("「%1」は既に存在します。上書きしますか？").arg(path)) !=
                QMessageBox::Yes)
            return false;
    }
    if (lockDocument(path) == LockHeld) {
        showError(HeldElsewhereMessage(path) +
                  QStringLiteral("\nそのウィンドウを閉じてから保存してください。"));
        return false;
    }
    m_doc->SetFileName(path);
    // A new name is the user's own to write, whoever holds the old one.
    m_doc->ReadOnly = false;
    RefreshCaptions();
    listen();
    return ItemSaveClick();
}

void TDocumentCommands::ItemSaveSelectionClick() {
    TOutlineNode* node = m_form.Outline->selectedNode();
    if (!node)
        return;
    const bool ctrl = CtrlHeld();
    const QString title = ctrl ? QStringLiteral("選択項目以下を保存した後に開く")
                               : QStringLiteral("選択項目以下を保存");
    TLeafNote* named = m_form.CurrentItem ? m_form.CurrentItem : node->item();
    const QString preset = SafeFileName(Cp932::toUnicode(named->Title) + QStringLiteral(".wrn"));
    const QString target = FileDialog::getSaveFileName(
        &m_form, title, m_doc->DialogFolder() + QLatin1Char('/') + preset,
        TWrenDoc::DialogFilter());
    if (target.isEmpty())
        return;
    const QString caption = m_form.windowTitle();
    m_form.setWindowTitle(TWrenDoc::CaptionFor(target) + Saving);
    try {
        m_doc->SaveSelection(target, *m_host, node);
    } catch (const EFileError& e) {
        m_form.setWindowTitle(caption);
        showError(e.message());
        return;
    }
    m_form.setWindowTitle(caption);
    if (ctrl)
        OpenFile(target);
}

void TDocumentCommands::ItemRevertClick() {
    if (MessageBox::question(&m_form, Product,
                             QStringLiteral("最終保存時からの編集を破棄してよろしいですか？")) !=
        QMessageBox::Yes)
        return;
    // Our own auto-save copy holds the very edits being thrown away: it is
    // not offered back as a crash's.
    const TDiskIdentity own = m_doc->OwnAutoSave;
    if (own.known && DiskIdentity::Stat(TWrenDoc::AutoSaveFileName(m_doc->FileName)).sameStat(own))
        ReloadDocument();
    else
        reload(m_doc->FileName);
}

void TDocumentCommands::ItemRenameFileClick() {
    bool ok = false;
    const QString answer = InputBox(QStringLiteral("ファイル名の変更"),
                                    QStringLiteral("新しいファイル名を入力して下さい。"),
                                    m_doc->GetDocumentName(), &ok);
    if (!ok || answer.isEmpty())
        return;
    // A name, not a path: a backslash would be read as a separator too.
    for (const QChar separator : {QLatin1Char('/'), QLatin1Char('\\')}) {
        if (answer.contains(separator)) {
            showError(QStringLiteral("ファイル名に「%1」は使えません。").arg(separator));
            return;
        }
    }
    try {
        m_doc->Rename(answer);
    } catch (const EFileError& e) {
        showError(e.message());
    }
    if (!m_doc->ReadOnly && m_doc->HasFileName() && lockDocument(m_doc->FileName) == LockHeld)
        m_doc->ReadOnly = true;
    RefreshCaptions();
    listen();
    m_watch->Rearm();
}

void TDocumentCommands::ItemOpenManualClick() {
    const QString folder = ProgramFolder();
    auto manuals = [&folder] {
        return QDir(folder).entryList({QStringLiteral("Manual*.wrn")}, QDir::Files, QDir::Name);
    };
    QStringList found = manuals();
    // The shipped manual is read-only; the program folder gets a copy the
    // user can keep notes in.
    QString error;
    if (found.isEmpty() && InstallShippedFile(QStringLiteral("Manual.wrn"), QString(), &error))
        found = manuals();
    if (found.isEmpty()) {
        MessageBox::information(&m_form, QStringLiteral("WrenNOTE"),
                                QStringLiteral("マニュアルが見つかりませんでした。"));
        return;
    }
    // Our own program rather than the desktop's choice: .wrn files need not
    // be registered for the manual to open.
    if (!StartInstance({QDir(folder).filePath(found.first())}))
        MessageBox::critical(&m_form, QStringLiteral("WrenNOTE"),
                             QStringLiteral("マニュアルを開けませんでした。"));
}

void TDocumentCommands::ItemOpenWrenFolderClick() {
    if (m_doc->HasFileName())
        OpenOrSay(&m_form, m_doc->MakeAbsolutePath(QString()));
}

void TDocumentCommands::N50Click() {
    try {
        m_doc->RemoveMissingHistory();
    } catch (const EFileError& e) {
        showError(e.message());
    }
}

void TDocumentCommands::N52Click() {
    try {
        m_doc->ClearHistory();
    } catch (const EFileError& e) {
        showError(e.message());
    }
}

void TDocumentCommands::ItemSetWrnTypeClick() {
    if (MessageBox::question(&m_form, Product, FileTypes::Question(),
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) !=
        QMessageBox::Yes)
        return;
    try {
        QFile icon(QStringLiteral(":/icons/wrennote-48.png"));
        FileTypes::Register(QCoreApplication::applicationFilePath(), FileTypes::DataHome(),
                            icon.open(QIODevice::ReadOnly) ? icon.readAll() : QByteArray());
    } catch (const EFileError& e) {
        showError(e.message());
        return;
    }
    MessageBox::information(&m_form, Product, FileTypes::DoneMessage());
}

void TDocumentCommands::ItemExitClick(int tag) {
    ReallyExit = true;
    if (tag == 1)
        ExitWithoutSaving = true;
    m_form.close();
    // A close that was refused (the save question cancelled) leaves us running.
    if (!m_closed) {
        ReallyExit = false;
        ExitWithoutSaving = false;
    }
}

void TDocumentCommands::ItemCloseClick() {
    m_form.close();
}

void TDocumentCommands::ItemShowVersionClick() {
    if (!m_version)
        m_version = new TFormVersion(&m_form);
    m_version->exec();
}

void TDocumentCommands::clearAdded() {
    for (QAction* a : std::as_const(m_added))
        delete a;
    m_added.clear();
}

void TDocumentCommands::PopupMenuWrenBoxPopup() {
    TCommandTable& c = *m_form.Commands;
    QMenu* popup = c.menu(QStringLiteral("PopupMenuWrenBox"));
    QMenu* history = c.menu(QStringLiteral("ItemHistory"));
    if (!popup || !history)
        return;
    clearAdded();

    // Siblings at the top, then a separator.
    const bool named = m_doc->HasFileName();
    c.setCommandEnabled(QStringLiteral("ItemRenameFile"), named);
    c.setCommandEnabled(QStringLiteral("ItemOpenWrenFolder"), named);
    QAction* first = popup->actions().value(0);
    const auto siblings = m_doc->SiblingEntries();
    for (const TSiblingEntry& entry : siblings) {
        auto* a = new QAction(entry.Name, popup);
        const QString path = entry.Path;
        connect(a, &QAction::triggered, this,
                [this, path] { m_form.Commands->guarded([&] { OpenFile(path); }); });
        popup->insertAction(first, a);
        m_added << a;
    }
    if (!siblings.empty()) {
        QAction* sep = new QAction(popup);
        sep->setSeparator(true);
        popup->insertAction(first, sep);
        m_added << sep;
    }

    // History entries above the fixed ones of the submenu.
    QAction* fixed = history->actions().value(0);
    const QStringList entries = m_doc->HistoryMenuEntries();
    for (const QString& path : entries) {
        auto* a = new QAction(path, history);
        connect(a, &QAction::triggered, this,
                [this, path] { m_form.Commands->guarded([&] { OpenFile(path); }); });
        history->insertAction(fixed, a);
        m_added << a;
    }
    if (!entries.isEmpty() && fixed && !fixed->isSeparator()) {
        QAction* sep = new QAction(history);
        sep->setSeparator(true);
        history->insertAction(fixed, sep);
        m_added << sep;
    }
    history->menuAction()->setEnabled(!entries.isEmpty());
}

void TDocumentCommands::OpenFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        // A pipe or device is said, never waited on; a missing file stays silent.
        if (info.exists())
            showError(QStringLiteral("ファイル「%1」を開けませんでした。\n%2は通常のファイルでは"
                                     "ないため開けません。")
                          .arg(path, info.isDir() ? QStringLiteral("フォルダ")
                                                  : QStringLiteral("特殊なファイル")));
        return;
    }
    // The document we hold ourselves: only come to the front.
    if (m_doc->HasFileName() &&
        TSingleInstance::ServerName(path) == TSingleInstance::ServerName(m_doc->FileName)) {
        m_form.ItemBecomeForegroundClick();
        return;
    }
    if (TSingleInstance::NotifyRunning(path))
        return;
    if (CtrlHeld()) {
        OpenOrSay(&m_form, path);
        return;
    }
    if (!SaveBeforeClose())
        return;
    reload(CanonicalPath(path));
}

bool TDocumentCommands::FormCloseQuery() {
    if (!ReallyExit && m_form.Options->StayOn) {
        if (TrayAvailable())
            m_form.hide();
        else
            m_form.showMinimized();
        return false;
    }
    const bool agreed = ExitWithoutSaving || SaveBeforeClose();
    if (agreed) {
        m_closed = true;
        Q_EMIT closedForGood();
    }
    return agreed;
}

bool TDocumentCommands::SaveBeforeClose() {
    if (m_form.Options->ConfirmSave) {
        const auto answer = MessageBox::question(
            &m_form, Product, QStringLiteral("ファイルを保存してよろしいですか？"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::No)
            return true;
        if (answer != QMessageBox::Yes)
            return false;
    }
    if (m_form.Options->TrashOnTerminate) {
        if (TOutlineNode* trash = m_form.Outline->trashNode()) {
            m_form.Outline->beginUpdate();
            while (trash->hasChildren())
                m_form.Outline->removeNode(trash->lastChild());
            m_form.Outline->endUpdate();
        }
    }
    if (m_doc->HasFileName() && m_doc->LoadedOK && m_doc->SaveRefusedAsReadOnly()) {
        // Saving is refused; asking keeps the window from refusing to close for ever.
        const auto answer = MessageBox::question(
            &m_form, Product,
            QStringLiteral("「%1」は読み取り専用です。変更を別のファイルに保存しますか？")
                .arg(m_doc->FileName),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::No)
            return true;
        if (answer != QMessageBox::Yes)
            return false;
        return ItemSaveAsClick();
    }
    if (m_doc->HasFileName()) {
        // A document that failed to save keeps the window open; one that was
        // not read correctly is refused (and said so) and may close.
        if (!ItemSaveClick() && m_doc->LoadedOK)
            return false;
        return true;
    }
    // A name given but not written to keeps the window too: the edits exist
    // nowhere else.
    const bool saved = ItemSaveAsClick();
    return saved || (m_doc->HasFileName() && !m_doc->LoadedOK);
}

void TDocumentCommands::IdleAutoSave() {
    // A document half read is never saved.
    if (m_loadProgress || QApplication::activeModalWidget() || QApplication::activePopupWidget() ||
        QApplication::mouseButtons() != Qt::NoButton)
        return;
    if (!m_doc->AutoSaveDue())
        return;
    // A version another program wrote is followed (or asked about) first;
    // the auto-save copy never touches the document itself.
    m_watch->CheckNow();
    try {
        m_doc->AutoSave(*m_host);
    } catch (const std::bad_alloc&) {
        m_doc->LastSaveTime = Clock::now();
        showError(QStringLiteral("メモリが足りないため、「%1」を自動保存できませんでした。")
                      .arg(TWrenDoc::AutoSaveFileName(m_doc->FileName)));
    } catch (const std::exception& e) {
        // A timer's slot: show it here, nothing may escape to the event loop.
        // The next try comes after the interval, not at the next idle moment.
        m_doc->LastSaveTime = Clock::now();
        showError(QString::fromUtf8(e.what()));
    }
}

void TDocumentCommands::FirstIdle() {
    if (m_form.isVisible()) {
        m_form.raise();
        m_form.activateWindow();
    }
    // The focus tray's start-up listings run once the tray's commands exist.
    TCommandTable& c = *m_form.Commands;
    if (m_form.Options->CheckOutOfDate) {
        if (c.hasHandler(QStringLiteral("ItemListUpUnfinished")))
            c.trigger(QStringLiteral("ItemListUpUnfinished"));
    } else if (m_form.Options->ShowProcs) {
        if (c.hasHandler(QStringLiteral("ItemListUpProcs")))
            c.trigger(QStringLiteral("ItemListUpProcs"));
    }
}

void TDocumentCommands::CommitData(QSessionManager& manager) {
    if (m_closed)
        return;
    ReallyExit = true;
    manager.allowsInteraction();
    if (!m_form.close()) {
        ReallyExit = false;
        manager.cancel();
    }
    manager.release();
}

void TDocumentCommands::AboutToQuit() {
    if (m_closed)
        return;
    ReallyExit = true;
    m_form.close();
}

// The file menu, the history menu, captions, auto-save and the close flows
// live in one object owned by the window.
void InstallDocumentCommands(TFormMain& form) {
    new TDocumentCommands(form);
}
