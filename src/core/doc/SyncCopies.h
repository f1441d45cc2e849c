#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The copies that file-sync programs leave beside a document when two
// computers changed it at once, and the names we give the versions we keep.
namespace SyncCopies {

// Whether fileName (no folder) is a conflict copy of the document docPath:
// "NAME.sync-conflict-20261208-101500-ABCDEFG.wrn",
// "NAME (conflicted copy 2026-12-08 101500).wrn",
// "NAME (someone's conflicted copy 2026-12-08).wrn", "NAME_conflict-20261208-101500.wrn".
bool IsConflictCopyOf(const QString& fileName, const QString& docPath);
// The conflict copies beside docPath, newest first.
QStringList ConflictCopiesOf(const QString& docPath);
// A free name beside docPath: "NAME (label YYYY-MM-DD HHMM).wrn", with " 2", " 3", ...
// added inside the brackets when that is taken.
QString KeptCopyName(const QString& docPath, const QString& label, const QDateTime& when);

// The labels of the kept versions.
QString OursLabel();            // このコンピューターの変更
QString TheirsLabel();          // 上書きされた版
QString EarlierAutoSaveLabel(); // 前回の自動保存

} // namespace SyncCopies
