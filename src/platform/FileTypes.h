#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Registers ".wrn" (and the auto-save ".wr~") with the desktop: a
// shared-mime-info package and a desktop entry under the user's data folder.
namespace FileTypes {

inline constexpr const char* DocumentType = "application/x-wrennote";
inline constexpr const char* AutoSaveType = "application/x-wrennote-autosave";

// $XDG_DATA_HOME, or ~/.local/share.
QString DataHome();
QString DesktopEntryPath(const QString& dataHome);
QString MimePackagePath(const QString& dataHome);
// The desktop entry that opens documents with the executable.
QString DesktopEntry(const QString& executablePath);
QByteArray MimePackage();

struct Result {
    QStringList written;  // files written
    QStringList toolsRun; // cache tools that were found and run
};
// Where the program icon goes, so that the desktop entry's "Icon=wrennote" is found.
QString IconPath(const QString& dataHome);
// Writes both files (and iconPng, a 48-pixel PNG, when given) and refreshes the
// caches with update-mime-database and update-desktop-database where they are
// installed. Throws EFileError.
Result Register(const QString& executablePath, const QString& dataHome = DataHome(),
                const QByteArray& iconPng = QByteArray());

// The question and the confirmation of the register command.
QString Question();
QString DoneMessage();

} // namespace FileTypes
