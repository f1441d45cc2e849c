#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QLockFile;
class QSessionManager;
class QTimer;
class TFormMain;
class TOutlineNode;
class TSingleInstance;
class TWrenDoc;
class TFormVersion;
class TLoadProgress;

// The document side of the main window: the file menu, the history menu,
// captions, auto-save at idle moments, the single-instance hand-over and the
// close flows. Created by InstallDocumentCommands as a child of the window.
class TDocumentWatch;
class TWrenDocHost;

class TDocumentCommands : public QObject {
    Q_OBJECT
public:
    explicit TDocumentCommands(TFormMain& form);
    ~TDocumentCommands() override;

    static TDocumentCommands* of(TFormMain& form);

    // Set by the exit commands and by the end of the desktop session.
    bool ReallyExit = false;
    bool ExitWithoutSaving = false;

    TWrenDoc& doc() const { return *m_doc; }
    TSingleInstance& instance() const { return *m_instance; }
    TWrenDocHost& host() const;
    TDocumentWatch& watch() const { return *m_watch; }
    // Reads the document's file again into the window (another program
    // changed it), without the questions of opening.
    void ReloadDocument();
    // Saves over whatever the file holds now: the user chose to.
    bool SaveOverwriting();
    // The document whose lock this window holds; empty when none.
    QString LockedPath() const { return m_lockPath; }

    // Takes over the document chosen at start-up (and the hand-over socket
    // claimed for it), loads it and shows its selected item. A load error is
    // shown and the rest still runs.
    void StartDocument(std::unique_ptr<TWrenDoc> doc, std::unique_ptr<TSingleInstance> instance);
    // Window, tray tip, tray title line and the file box.
    void RefreshCaptions();

    // File commands.
    void ItemNewClick();
    void ItemOpenClick();
    // False when nothing was written (refused, failed or no name given).
    bool ItemSaveClick();
    bool ItemSaveAsClick();
    void ItemSaveSelectionClick();
    void ItemRevertClick();
    void ItemRenameFileClick();
    void ItemOpenWrenFolderClick();
    // The manual, opened in a new instance of the program.
    void ItemOpenManualClick();
    void N50Click();
    void N52Click();
    void ItemSetWrnTypeClick();
    void ItemExitClick(int tag);
    void ItemCloseClick();
    void ItemShowVersionClick();
    void PopupMenuWrenBoxPopup();
    // Replaces the open document; also for links to other documents.
    void OpenFile(const QString& path);

    bool FormCloseQuery();
    bool SaveBeforeClose();
    // The idle work of this side: auto-save.
    void IdleAutoSave();
    // The first idle moment after start-up.
    void FirstIdle();

    // The desktop session ends: as a shutdown of the system.
    void CommitData(QSessionManager& manager);
    void AboutToQuit();

    // Held Ctrl, read at the start of a command; replaceable for tests.
    static std::function<bool()> CtrlHeld;
    // The rename command's input box: (title, prompt, preset, ok) -> text.
    static std::function<QString(const QString&, const QString&, const QString&, bool*)> InputBox;
    // Starting another program instance ("-n"), opening with the desktop.
    static std::function<bool(const QStringList& args)> StartInstance;
    static std::function<bool(const QString& path)> OpenWithDesktop;
    // OpenWithDesktop, saying so when the desktop has no program for path.
    static bool OpenOrSay(QWidget* parent, const QString& path);
    // Whether a tray host shows our icon; without one the close box of a
    // resident window minimises it rather than hiding it out of reach.
    // (HideForm at start-up still hides: the user asked for it, and another
    // start on the document brings the window back.)
    static std::function<bool()> TrayAvailable;

Q_SIGNALS:
    // The window agreed to close for good: the program ends.
    void closedForGood();
    // A load ended with an error (after it was shown).
    void loadFailed(const QString& message);

private:
    class Host;
    void reload(const QString& path);
    bool saveWithCaption(bool overwrite = false);
    // A newer auto-save copy beside the document just read: asks what to do.
    void offerAutoSaveCopy();
    void showError(const QString& message);
    void listen();
    // The lock on the document this window may write. Held: another window
    // (of this or another instance) has it open for writing.
    enum LockResult { LockTaken, LockHeld, LockUnavailable };
    LockResult lockDocument(const QString& path);
    static QString HeldElsewhereMessage(const QString& path);
    void clearAdded();
    bool eventFilter(QObject* watched, QEvent* event) override;

    TFormMain& m_form;
    std::unique_ptr<Host> m_host;
    std::unique_ptr<TWrenDoc> m_doc;
    std::unique_ptr<TSingleInstance> m_instance;
    std::unique_ptr<QLockFile> m_lock;
    // Set while a document is read.
    std::unique_ptr<TLoadProgress> m_loadProgress;
    TDocumentWatch* m_watch = nullptr;
    // Whether opening asks about a newer auto-save copy.
    bool m_offerAutoSave = true;
    QString m_lockPath;
    QTimer* m_idle = nullptr;
    QList<QAction*> m_added;
    TFormVersion* m_version = nullptr;
    TOutlineNode* m_editNew = nullptr;
    bool m_composing = false;
    bool m_closed = false;
};
