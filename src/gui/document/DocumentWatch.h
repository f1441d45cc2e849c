#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QFileSystemWatcher;
class QTimer;
class TDocumentCommands;
class TDocumentMerge;
class TFormMain;
class TOptionDesc;
class TOutline;
class TWrenDoc;

// Keeps the open document in step with its file when another program (a
// file-sync tool above all) replaces it: reads the new version when nothing
// here is unsaved, asks otherwise, and never lets a save overwrite it
// silently. Also notices the conflict copies sync tools leave beside it.
class TDocumentWatch : public QObject {
    Q_OBJECT
public:
    TDocumentWatch(TFormMain& form, TDocumentCommands& docs);
    ~TDocumentWatch() override;

    // After the document was read or written, or got another name: watch
    // that file, and count nothing here as unsaved.
    void Rearm();
    // Looks at the file now (the window was activated, a check is due).
    void CheckNow();
    // Edits made here since the document was last read or written.
    bool HasUnsavedEdits() const;
    // The window holds what the file does not (a recovered or merged version).
    void MarkEdited() { m_dirty = true; }
    // A save found another program's version on disk: asks what to do and
    // does it. True when the document was saved.
    bool ResolveAtSave();

    // File menu: merge another file, or the newest conflict copy, into this.
    void ItemMergeVersionClick();
    void ItemMergeConflictClick();
    // Merges path into the window after showing what it will do. base:
    // whether our last reading counts as the common ancestor.
    bool MergeFile(const QString& path, bool withBase);

    QStringList ConflictCopies() const { return m_conflicts; }

    // How often and how long apart a file still being written is tried.
    static int Retries;
    static int RetryDelayMs;

    // The answers of the question about two versions.
    static QString QuestionText(const QString& path);

Q_SIGNALS:
    // The document was read again or merged because of a change on disk.
    void followed(const QString& notice);

private:
    struct Arrived;
    void schedule(int delayMs);
    void check();
    bool readArrived();
    void reloadKeepingView();
    // Asks about the arrived version while edits here are unsaved.
    enum Outcome { Cancelled, Merged, KeptBoth, Overwrote };
    Outcome ask(bool atSave);
    bool mergeArrived();
    void apply(TDocumentMerge& merge);
    void updateConflicts(bool announce);
    bool eventFilter(QObject* watched, QEvent* event) override;

    TFormMain& m_form;
    TDocumentCommands& m_docs;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_timer = nullptr;
    QString m_path;
    QStringList m_conflicts;
    std::unique_ptr<Arrived> m_arrived;
    int m_tries = 0;
    qint64 m_lastSize = -1;
    bool m_dirty = false;
    bool m_busy = false;
    // A change waits for the user to come back to the window.
    bool m_pending = false;
};
