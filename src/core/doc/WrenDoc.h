#pragma once

#include "doc/DiskIdentity.h"
#include "doc/DocumentMerge.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>
#include <vector>

class TOptionDesc;
class TOutline;
class TOutlineNode;

// What the document needs from the window that shows it. The defaults do
// nothing, so a headless caller implements only the outline, the settings
// and the messages.
class TWrenDocHost {
public:
    virtual ~TWrenDocHost() = default;
    virtual TOptionDesc& DocSettings() = 0;
    virtual TOutline& DocOutline() = 0;
    // The page being edited back into its item.
    virtual void StorePage() {}
    // The window layout into the settings, before they are written.
    virtual void CaptureSettings() {}
    // The settings onto the window, after a document was read or started.
    virtual void ApplySettings() {}
    // A new document's first item: start editing its caption.
    virtual void BeginCaptionEdit(TOutlineNode*) {}
    // An input method is composing in the focused control.
    virtual bool CompositionPending() { return false; }
    // A warning with an OK button.
    virtual void ShowWarning(const QString& text) = 0;
    // A Yes/No question; anything but Yes is false.
    virtual bool Confirm(const QString& question) = 0;
    // How far a document has been read (bytes); false stops the read.
    virtual bool LoadProgress(qint64 /*done*/, qint64 /*total*/) { return true; }
};

// Saving would overwrite a version of the document that another program wrote.
class EChangedOnDisk : public std::runtime_error {
public:
    explicit EChangedOnDisk(const QString& path)
        : std::runtime_error("changed on disk"), Path(path) {}
    QString Path;
};

// A sibling document in the folder of the open one.
struct TSiblingEntry {
    QString Name; // document name, shown in the menu
    QString Path; // the file as it is spelled on disk
};

// The open document: which file it is, whether it was read correctly, and
// every move between memory and disk. File failures throw EFileError (the
// file on disk is then as it was), read failures EReadError.
class TWrenDoc {
public:
    static constexpr int HistoryLimit = 50;
    static constexpr int HistoryMenuLimit = 10;
    // 11 minutes 15 seconds, in days.
    static constexpr double AutoSaveInterval = 0.0078125;

    // programFolder holds History.txt and is searched for a start-up document.
    explicit TWrenDoc(const QString& programFolder);

    QString FileName;
    double LastSaveTime = 0;
    bool LoadedOK = false;
    // Opened for reading only (another window writes it): never saved or
    // auto-saved under its name.
    bool ReadOnly = false;

    const QString& ProgramDir() const { return m_programDir; }

    // The file as this window last read or wrote it, and the items as they
    // stood then: what tells a change made by another program (a file-sync
    // tool) and what a merge of the two versions compares against.
    TDiskIdentity OnDisk;
    TMergeBase Base;
    enum DiskChange { DiskSame, DiskChanged, DiskGone };
    // Whether the file is still the one we know. A file merely touched (the
    // same bytes written again) counts as the same, and is remembered anew.
    DiskChange CheckDisk();
    // Takes the file as it is now for the one we know (after the user chose
    // to overwrite another program's version, or took it in).
    void RememberDisk();
    // The auto-save copy this window wrote last (or was opened from): only
    // that one may a save delete.
    TDiskIdentity OwnAutoSave;
    // An auto-save copy that is newer than the document and differs from it.
    bool HasNewerAutoSave() const;
    // Replaces what was read with the auto-save copy's content; the file
    // name stays the document's, so the next save writes the document (and
    // then deletes the copy). Returns an error message, empty when read.
    QString LoadAutoSaveCopy(TWrenDocHost& host);

    // Chooses the start-up file from the arguments (without the program
    // name), the history or the program folder.
    void Create(const QStringList& args);
    // A new name forgets what was known of the old file on disk.
    void SetFileName(const QString& path);
    bool HasFileName() const { return !FileName.isEmpty(); }
    QString GetWindowCaption() const { return CaptionFor(FileName); }
    static QString CaptionFor(const QString& path);
    QString GetDocumentName() const;
    // Application title, tray tip and the tray menu's title line.
    QString GetAppTitle() const;

    // The open and save dialogs: the preset name, the folder they start in, the filter.
    QString DialogFileName() const;
    QString DialogFolder() const;
    static QString DialogFilter();
    // The open dialog also offers auto-save copies.
    static QString OpenDialogFilter();

    QString MakeRelativePath(const QString& path) const;
    QString MakeAbsolutePath(const QString& name) const;

    // Reads FileName into the host's outline, or starts a new document. The
    // document always ends up with a trash; a read error is thrown at the
    // end, with what was read kept and LoadedOK false. A read the host
    // stopped leaves a new untitled document and throws EReadCancelled.
    void Load(TWrenDocHost& host);
    // False when refused because the document was not read correctly (the
    // host was told). Throws EChangedOnDisk, writing nothing, when another
    // program changed the file since we read or wrote it, unless overwrite.
    bool Save(TWrenDocHost& host, bool overwrite = false);
    enum AutoSaveResult { AutoSaveNotDue, AutoSaveDeferred, AutoSaveWritten, AutoSaveFailed };
    // Run at every idle moment. A failure is shown through the host once per interval.
    AutoSaveResult AutoSave(TWrenDocHost& host);
    bool AutoSaveDue() const;
    void SaveSelection(const QString& path, TWrenDocHost& host, TOutlineNode* node);
    // The document, or node's branch alone, written to path (replaced whole or not at all).
    void WriteTo(const QString& path, TWrenDocHost& host, TOutlineNode* node);
    // Renames the document file; refuses an existing name.
    void Rename(const QString& newName);

    // The companions of a document path ending in a three-letter extension.
    static QString TempFileName(const QString& path);
    static QString BackupFileName(const QString& path);
    static QString AutoSaveFileName(const QString& path);
    // The lock a window holds on the document it may write: hidden, beside it.
    static QString LockFileName(const QString& path);

    QString HistoryFileName() const;
    QStringList ReadHistory() const;
    void AddToHistory();
    void RemoveMissingHistory();
    void ClearHistory();
    // The history entries for the history submenu: other folders only, at most 10.
    QStringList HistoryMenuEntries() const;
    // The other ".wrn" files of the document's folder, sorted by name ignoring case.
    std::vector<TSiblingEntry> SiblingEntries() const;

    // The steps of Save, for tests that simulate a crash between them.
    enum SaveStep { StepTempWritten, StepBackupMade, StepReplaced, StepAutoSaveRemoved };
    static std::function<void(SaveStep)> SaveStepHook;

    static QString RefusedSaveMessage();
    // Whether saving under FileName is refused: opened read-only, or a file
    // this user may not write.
    bool SaveRefusedAsReadOnly() const;
    static QString ReadOnlyMessage(const QString& path);
    static QString UnnamedDocument();

private:
    void writeHistory(const QStringList& lines) const;
    void step(SaveStep s) const;

    QString m_programDir;
};
