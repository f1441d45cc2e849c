#include "doc/WrenDoc.h"

#include "common/Clock.h"
#include "common/FileError.h"
#include "common/ProgramFolder.h"
#include "doc/DocPaths.h"
#include "doc/RunningSum.h"
#include "doc/SafeFile.h"
#include "doc/SyncCopies.h"
#include "file/BoundedFile.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

std::function<void(TWrenDoc::SaveStep)> TWrenDoc::SaveStepHook;

namespace {

const QString Product = QStringLiteral("WrenNOTE");

bool isDocumentExt(const QString& path) {
    const QString ext = ExtOf(path).toLower();
    return ext == QLatin1String(".wrn") || ext == QLatin1String(".lkp") ||
           ext == QLatin1String(".wr~");
}

bool isFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QByteArray readWholeFile(const QString& path, QString* error) {
    QFile file;
    if (!BoundedFile::OpenRegular(path, file, error)) {
        *error = QStringLiteral("ファイル「%1」を開けませんでした。\n%2").arg(path, *error);
        return QByteArray();
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        *error = QStringLiteral("ファイル「%1」を読み込めませんでした。\n%2")
                     .arg(path, FileError::Text(file));
    return bytes;
}

} // namespace

TWrenDoc::TWrenDoc(const QString& programFolder) : m_programDir(programFolder) {
    while (m_programDir.size() > 1 && m_programDir.endsWith(QLatin1Char('/')))
        m_programDir.chop(1);
}

QString TWrenDoc::UnnamedDocument() {
    return QStringLiteral("名称未設定");
}

QString TWrenDoc::RefusedSaveMessage() {
    return QStringLiteral("正常に読み込まれなかったため、ファイルの保存を行いません。");
}

QString TWrenDoc::ReadOnlyMessage(const QString& path) {
    return QStringLiteral("「%1」は読み取り専用のため、上書き保存できません。\n"
                          "「名前を付けて保存」で別のファイルに保存してください。")
        .arg(path);
}

bool TWrenDoc::SaveRefusedAsReadOnly() const {
    if (ReadOnly)
        return true;
    if (!HasFileName())
        return false;
    // The rename would replace a file its mode protects. A file nobody may
    // write counts as protected also for root, who passes every access check.
    const QByteArray native = QFile::encodeName(FileName);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return (st.st_mode & 0222) == 0 || ::access(native.constData(), W_OK) != 0;
}

void TWrenDoc::Create(const QStringList& args) {
    FileName.clear();
    if (!args.isEmpty() && args.first() == QLatin1String("-n"))
        return;
    // Anything that exists under the name is taken, so that a pipe or
    // folder given by the user is refused with a message, not passed over.
    if (!args.isEmpty() && isDocumentExt(args.first()) && QFileInfo::exists(args.first())) {
        FileName = CanonicalPath(args.first());
        return;
    }
    const QStringList history = ReadHistory();
    if (!history.isEmpty() && isDocumentExt(history.first()) && isFile(history.first())) {
        FileName = history.first();
        return;
    }
    const QDir folder(m_programDir);
    const QStringList found =
        folder.entryList({QStringLiteral("*.wrn")}, QDir::Files | QDir::Hidden, QDir::Unsorted);
    if (!found.isEmpty())
        FileName = folder.filePath(found.first());
}

QString TWrenDoc::CaptionFor(const QString& path) {
    if (path.isEmpty())
        return UnnamedDocument() + QStringLiteral(" - ") + Product;
    QString shown = path;
    if (ExtOf(path).compare(QLatin1String(".lkp"), Qt::CaseInsensitive) == 0)
        shown = WithLastChars(path, QStringLiteral("wrn"));
    return NameWithoutExt(path) + QStringLiteral(" - ") + Product + QStringLiteral(" < ") + shown +
           QStringLiteral(" >");
}

QString TWrenDoc::GetDocumentName() const {
    return HasFileName() ? NameWithoutExt(FileName) : UnnamedDocument();
}

QString TWrenDoc::GetAppTitle() const {
    return GetDocumentName() + QStringLiteral(" - ") + Product;
}

QString TWrenDoc::DialogFileName() const {
    return HasFileName() ? FileNameOf(FileName) : UnnamedDocument() + QStringLiteral(".wrn");
}

QString TWrenDoc::DialogFolder() const {
    if (HasFileName())
        return FolderOf(FileName);
    const QStringList history = ReadHistory();
    // The program folder is where the manual lives, not where users keep
    // their documents.
    if (!history.isEmpty() && !history.first().isEmpty() &&
        FolderOf(history.first()) != m_programDir)
        return FolderOf(history.first());
    return DocumentsFolder();
}

QString TWrenDoc::DialogFilter() {
    return QStringLiteral("WrenNOTE files (*.wrn);;Larkspur files (*.lkp)");
}

QString TWrenDoc::OpenDialogFilter() {
    return DialogFilter() + QStringLiteral(";;自動保存ファイル (*.wr~)");
}

QString TWrenDoc::MakeRelativePath(const QString& path) const {
    if (!HasFileName())
        return path;
    const QString folder = FolderOf(FileName);
    if (folder.isEmpty())
        return path;
    const int prefix =
        folder.endsWith(QLatin1Char('/')) ? int(folder.size()) : int(folder.size()) + 1;
    if (path.size() > prefix && path.startsWith(folder) &&
        (folder.endsWith(QLatin1Char('/')) || path.at(folder.size()) == QLatin1Char('/') ||
         path.at(folder.size()) == QLatin1Char('\\')))
        return path.mid(prefix);
    return path;
}

QString TWrenDoc::MakeAbsolutePath(const QString& name) const {
    const QString folder = FolderOf(FileName);
    if (name.isEmpty())
        return folder;
    if (!IsRelativePath(name))
        return name;
    QString relative = name;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (folder.isEmpty())
        return relative;
    return folder.endsWith(QLatin1Char('/')) ? folder + relative
                                             : folder + QLatin1Char('/') + relative;
}

// ---------------------------------------------------------------------------
// Load and save

void TWrenDoc::Load(TWrenDocHost& host) {
    TOptionDesc& settings = host.DocSettings();
    TOutline& tree = host.DocOutline();
    // A pipe or device under the name is refused below with a message, and
    // keeps its name so that nothing is ever saved onto it.
    if (!isFile(FileName) && !QFileInfo::exists(FileName))
        FileName.clear();

    // Temporaries a killed save or auto-save of this document left behind.
    if (HasFileName()) {
        SafeFile::RemoveStaleTemporaries(FileName);
        SafeFile::RemoveStaleTemporaries(AutoSaveFileName(FileName));
    }
    SafeFile::RemoveStaleTemporaries(HistoryFileName());

    QString error;
    QString cancelled;
    bool written = true; // a converted document reached its file
    TOutlineNode* newItem = nullptr;
    const auto startNew = [&] {
        FileName.clear();
        settings.ResetToDefaults();
        tree.clear();
        TLeafNote* item = TLeafNote::Create(tree, 1, nullptr);
        newItem = item->TreeNode;
        tree.setSelectedNode(newItem);
        LoadedOK = true;
    };
    OnDisk = TDiskIdentity();
    OwnAutoSave = TDiskIdentity();
    Base.Clear();
    const QString ext = ExtOf(FileName).toLower();
    // An auto-save copy holds a whole document; it is never written under
    // its own name, which the next auto-save would take back.
    const bool autoSaveCopy = ext == QLatin1String(".wr~");
    if (autoSaveCopy)
        ReadOnly = true;
    if (HasFileName() && (ext == QLatin1String(".wrn") || autoSaveCopy)) {
        LoadedOK = false;
        // Read through a window rather than whole: a large document is then
        // held once, as the outline, not twice.
        QFile file;
        if (BoundedFile::OpenRegular(FileName, file, &error)) {
            const OutlineFile::ReadResult r = OutlineFile::readDocument(
                file, settings, tree, [&host, this](qint64 done, qint64 total) {
                    if (!host.LoadProgress(done, total))
                        throw EReadCancelled(
                            QStringLiteral("「%1」の読み込みを中止しました。").arg(FileName));
                });
            if (r.cancelled) {
                // Given up by the user: a new document, never half of this one.
                cancelled = r.error;
                startNew();
                newItem = nullptr;
                ReadOnly = false;
            } else if (r.ok) {
                LoadedOK = true;
                // What we read, from the handle we read it through: a file
                // replaced meanwhile is not taken for this one.
                TDiskIdentity id = DiskIdentity::StatOpen(file.handle());
                if (id.known && DiskIdentity::Digest(file, &id.digest))
                    OnDisk = id;
            } else
                error = QStringLiteral("ファイル「%1」を読み込めませんでした。\n%2")
                            .arg(FileName, r.error);
        } else {
            error = QStringLiteral("ファイル「%1」を開けませんでした。\n%2").arg(FileName, error);
            tree.clear();
        }
    } else if (HasFileName() && ext == QLatin1String(".lkp")) {
        LoadedOK = false;
        settings.ResetToDefaults();
        tree.clear();
        const QByteArray bytes = readWholeFile(FileName, &error);
        if (error.isEmpty()) {
            const OutlineFile::ReadResult r = OutlineFile::readLkp(bytes, tree);
            if (!r.ok)
                error = r.error;
        }
        if (error.isEmpty()) {
            const QString converted = WithLastChars(FileName, QStringLiteral("wrn"));
            host.ApplySettings();
            LoadedOK = true;
            // An existing document of the converted name is replaced only when the user agrees.
            if (QFileInfo::exists(converted) &&
                !host.Confirm(
                    QStringLiteral("「%1」は既に存在します。変換した内容で上書きしますか？")
                        .arg(converted))) {
                FileName.clear();
            } else {
                FileName = converted;
                if (!tree.trashNode())
                    TLeafNote::CreateTrash(tree);
                try {
                    Save(host);
                } catch (const EFileError& e) {
                    error = e.message();
                    written = false;
                }
            }
        }
    } else {
        startNew();
    }

    if (!tree.trashNode())
        TLeafNote::CreateTrash(tree);
    // An older-format file records no selection: the window still needs a
    // current item, or it goes on showing the previous document's.
    if (!tree.selectedNode() && tree.topLevelCount() > 0)
        tree.setSelectedNode(tree.topLevel(0));
    host.ApplySettings();
    if (newItem) {
        // Merges of later versions match items by their ids.
        newItem->item()->AssignNodeId();
        host.BeginCaptionEdit(newItem);
    }
    LastSaveTime = Clock::now();
    if (LoadedOK)
        Base.Take(tree);

    if (LoadedOK && HasFileName() && written) {
        try {
            AddToHistory();
        } catch (const EFileError& e) {
            host.ShowWarning(e.message());
        }
    }
    if (!cancelled.isEmpty())
        throw EReadCancelled(cancelled);
    if (!error.isEmpty())
        throw EReadError(error);
}

QString TWrenDoc::TempFileName(const QString& path) {
    return WithLastChars(path, QStringLiteral("tmp"));
}

QString TWrenDoc::BackupFileName(const QString& path) {
    return WithLastChars(path, QStringLiteral("bak"));
}

QString TWrenDoc::AutoSaveFileName(const QString& path) {
    return WithLastChars(path, QStringLiteral("~"));
}

QString TWrenDoc::LockFileName(const QString& path) {
    const QString folder = FolderOf(path);
    return (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + QLatin1Char('.') +
           FileNameOf(path) + QStringLiteral(".lock");
}

void TWrenDoc::step(SaveStep s) const {
    if (SaveStepHook)
        SaveStepHook(s);
}

void TWrenDoc::SetFileName(const QString& path) {
    if (path != FileName) {
        OnDisk = TDiskIdentity();
        OwnAutoSave = TDiskIdentity();
    }
    FileName = path;
}

TWrenDoc::DiskChange TWrenDoc::CheckDisk() {
    if (!OnDisk.known || !HasFileName())
        return DiskSame;
    const TDiskIdentity now = DiskIdentity::Stat(FileName);
    if (!now.known)
        return QFileInfo::exists(FileName) ? DiskChanged : DiskGone;
    if (now.sameStat(OnDisk))
        return DiskSame;
    const TDiskIdentity full = DiskIdentity::Take(FileName);
    if (!full.known)
        return DiskChanged;
    if (full.size == OnDisk.size && full.digest == OnDisk.digest) {
        OnDisk = full;
        return DiskSame;
    }
    return DiskChanged;
}

QString TWrenDoc::LoadAutoSaveCopy(TWrenDocHost& host) {
    const QString copy = AutoSaveFileName(FileName);
    const TDiskIdentity copyId = DiskIdentity::Stat(copy);
    TOutline& tree = host.DocOutline();
    tree.clear();
    const OutlineFile::ReadResult r = OutlineFile::readFile(copy, host.DocSettings(), tree);
    if (!r.ok)
        return QStringLiteral("自動保存ファイル「%1」を読み込めませんでした。\n%2")
            .arg(copy, r.error);
    if (!tree.trashNode())
        TLeafNote::CreateTrash(tree);
    host.ApplySettings();
    // The items are new objects: what was taken of the document's do not apply.
    Base.Clear();
    OwnAutoSave = copyId;
    LoadedOK = true;
    LastSaveTime = Clock::now();
    return QString();
}

void TWrenDoc::RememberDisk() {
    OnDisk = HasFileName() ? DiskIdentity::Take(FileName) : TDiskIdentity();
}

bool TWrenDoc::HasNewerAutoSave() const {
    if (!HasFileName())
        return false;
    const QString copy = AutoSaveFileName(FileName);
    const QFileInfo auto_(copy);
    const QFileInfo doc(FileName);
    if (!auto_.isFile() || auto_.size() == 0 || !doc.isFile())
        return false;
    if (auto_.lastModified() <= doc.lastModified())
        return false;
    // A copy with the document's very bytes holds nothing to recover.
    const TDiskIdentity a = DiskIdentity::Take(copy);
    const TDiskIdentity d = DiskIdentity::Take(FileName);
    return !(a.known && d.known && a.size == d.size && a.digest == d.digest);
}

bool TWrenDoc::Save(TWrenDocHost& host, bool overwrite) {
    if (!LoadedOK) {
        host.ShowWarning(RefusedSaveMessage());
        return false;
    }
    if (SaveRefusedAsReadOnly()) {
        host.ShowWarning(ReadOnlyMessage(FileName));
        return false;
    }
    if (!overwrite && CheckDisk() == DiskChanged)
        throw EChangedOnDisk(FileName);
    host.StorePage();
    if (FileName.size() < 4 || FileName.at(FileName.size() - 4) != QLatin1Char('.'))
        FileName += QStringLiteral(".wrn");

    const QString temp = TempFileName(FileName);
    // Summed on the way, to know the file as written without reading it again.
    struct Summing : TByteSink {
        TByteSink* inner = nullptr;
        TRunningSum sum;
        void write(const char* data, qsizetype size) override {
            inner->write(data, size);
            sum.add(data, size);
        }
    } summing;
    try {
        host.CaptureSettings();
        // Streamed: a large document is never held a second time while it is saved.
        SafeFile::WriteDurably(temp, [&host, &summing](TByteSink& sink) {
            summing.inner = &sink;
            OutlineFile::writeDocument(host.DocSettings(), host.DocOutline(), summing);
        });
        LastSaveTime = Clock::now();
    } catch (const EFileError& e) {
        try {
            SafeFile::Remove(temp);
        } catch (const EFileError&) {
        }
        // Named as the user knows it; the temporary is ours.
        throw EFileError(QStringLiteral("ファイル「%1」を保存できませんでした。\n%2")
                             .arg(FileName, e.message().section(QLatin1Char('\n'), 1)));
    }
    step(StepTempWritten);

    // The old document stays under its name until the new one replaces it in
    // one rename; the backup is a second name made before that.
    const QFileInfo old(FileName);
    try {
        if (old.exists()) {
            QFile::setPermissions(temp, old.permissions());
            if (host.DocSettings().SaveBAKFile) {
                const QString backup = BackupFileName(FileName);
                SafeFile::Remove(backup);
                SafeFile::LinkOrCopy(FileName, backup);
                step(StepBackupMade);
            }
        }
        SafeFile::RenameOver(temp, FileName);
    } catch (const EFileError&) {
        try {
            SafeFile::Remove(temp);
        } catch (const EFileError&) {
        }
        throw;
    }
    SafeFile::SyncFolderOf(FileName);
    OnDisk = DiskIdentity::Stat(FileName);
    OnDisk.digest = summing.sum.digest();
    Base.Take(host.DocOutline());
    step(StepReplaced);

    // Only a copy we wrote ourselves (or were opened from) is ours to
    // delete: one left by a crash holds edits nobody was asked about.
    const QString autoSave = AutoSaveFileName(FileName);
    const TDiskIdentity copy = DiskIdentity::Stat(autoSave);
    if (copy.known && copy.sameStat(OwnAutoSave)) {
        try {
            SafeFile::Remove(autoSave);
        } catch (const EFileError& e) {
            host.ShowWarning(e.message());
        }
    }
    OwnAutoSave = TDiskIdentity();
    step(StepAutoSaveRemoved);
    return true;
}

void TWrenDoc::WriteTo(const QString& path, TWrenDocHost& host, TOutlineNode* node) {
    host.CaptureSettings();
    SafeFile::ReplaceAtomically(path, [&host, node](TByteSink& sink) {
        OutlineFile::writeDocument(host.DocSettings(), host.DocOutline(), sink, node);
    });
    LastSaveTime = Clock::now();
}

void TWrenDoc::SaveSelection(const QString& path, TWrenDocHost& host, TOutlineNode* node) {
    host.StorePage();
    WriteTo(path, host, node);
}

bool TWrenDoc::AutoSaveDue() const {
    return HasFileName() && Clock::now() - LastSaveTime > AutoSaveInterval;
}

TWrenDoc::AutoSaveResult TWrenDoc::AutoSave(TWrenDocHost& host) {
    if (!host.DocSettings().SaveTemporal || ReadOnly || !AutoSaveDue())
        return AutoSaveNotDue;
    if (host.CompositionPending())
        return AutoSaveDeferred;
    host.StorePage();
    try {
        const QString copy = AutoSaveFileName(FileName);
        // A copy this window did not write (one a crash left and the user
        // has not taken up) is never written over: it is kept beside first.
        const TDiskIdentity there = DiskIdentity::Stat(copy);
        if (there.known && !there.sameStat(OwnAutoSave)) {
            const QString kept = SyncCopies::KeptCopyName(
                FileName, SyncCopies::EarlierAutoSaveLabel(), QDateTime::currentDateTime());
            SafeFile::RenameNoReplace(copy, kept);
            host.ShowWarning(QStringLiteral("前回の自動保存のコピーを「%1」として残しました。")
                                 .arg(QFileInfo(kept).fileName()));
        }
        WriteTo(copy, host, nullptr);
        OwnAutoSave = DiskIdentity::Stat(copy);
    } catch (const EFileError& e) {
        // Try again after the interval, not at every idle moment.
        LastSaveTime = Clock::now();
        host.ShowWarning(e.message());
        return AutoSaveFailed;
    }
    return AutoSaveWritten;
}

void TWrenDoc::Rename(const QString& newName) {
    if (!HasFileName())
        return;
    QString name = newName;
    if (ExtOf(name).toLower() != QLatin1String(".wrn"))
        name += QStringLiteral(".wrn");
    const QString target = FolderOf(FileName) + QLatin1Char('/') + name;
    if (target == FileName)
        return;
    if (QFileInfo::exists(FileName)) {
        SafeFile::RenameNoReplace(FileName, target);
        SafeFile::SyncFolderOf(target);
    } else if (QFileInfo::exists(target)) {
        // Nothing on disk to move, but the name belongs to another document.
        throw EFileError(QStringLiteral("ファイル「%1」は既に存在します。").arg(target));
    }
    FileName = target;
}

// ---------------------------------------------------------------------------
// History and siblings

QString TWrenDoc::HistoryFileName() const {
    return m_programDir + QStringLiteral("/History.txt");
}

QStringList TWrenDoc::ReadHistory() const {
    QFile file(HistoryFileName());
    if (!file.open(QIODevice::ReadOnly))
        return QStringList();
    const QByteArray bytes = file.readAll();
    // Written as UTF-8; a list brought over from Windows is cp932.
    QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter))
        text = Cp932::toUnicode(bytes);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

void TWrenDoc::writeHistory(const QStringList& lines) const {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    SafeFile::ReplaceAtomically(HistoryFileName(), bytes);
}

void TWrenDoc::AddToHistory() {
    if (!HasFileName())
        return;
    QStringList lines = ReadHistory();
    const qsizetype at = lines.indexOf(FileName);
    if (at >= 0)
        lines.removeAt(at);
    lines.prepend(FileName);
    while (lines.size() > HistoryLimit)
        lines.removeLast();
    writeHistory(lines);
}

void TWrenDoc::RemoveMissingHistory() {
    if (!QFileInfo::exists(HistoryFileName()))
        return;
    QStringList lines = ReadHistory();
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        if (lines.at(i).isEmpty() || !QFileInfo::exists(lines.at(i)))
            lines.removeAt(i);
    writeHistory(lines);
}

void TWrenDoc::ClearHistory() {
    SafeFile::Remove(HistoryFileName());
}

QStringList TWrenDoc::HistoryMenuEntries() const {
    QStringList entries;
    const QString folder = FolderOf(FileName);
    for (const QString& line : ReadHistory()) {
        if (line.isEmpty() || FolderOf(line) == folder)
            continue;
        entries.append(line);
        if (entries.size() >= HistoryMenuLimit)
            break;
    }
    return entries;
}

std::vector<TSiblingEntry> TWrenDoc::SiblingEntries() const {
    std::vector<TSiblingEntry> entries;
    if (!HasFileName())
        return entries;
    const QString folder = FolderOf(FileName);
    const QString own = FileNameOf(FileName);
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({QStringLiteral("*.wrn")}, QDir::Files | QDir::Hidden, QDir::Unsorted)) {
        if (ExtOf(name).toLower() != QLatin1String(".wrn") || name == own)
            continue;
        entries.push_back({NameWithoutExt(name), dir.filePath(name)});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TSiblingEntry& a, const TSiblingEntry& b) {
                         return a.Name.compare(b.Name, Qt::CaseInsensitive) < 0;
                     });
    return entries;
}
