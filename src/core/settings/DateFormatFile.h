#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// "DateFormat.txt" in the program folder: one date format per line, offered
// by the options dialog. A shipped copy is put there when it is missing.
namespace DateFormatFile {

// Larger files are not read: a list of formats is a few lines.
constexpr qint64 MaxFileSize = qint64(1) << 20;
constexpr int MaxLineLength = 255;
constexpr int MaxEntries = 1000;

QString Path();
// Copies the shipped file into the program folder unless one is there.
// False with the reason when that fails.
bool InstallDefault(QString* error = nullptr);

// The usable formats of the file's bytes (cp932, or UTF-8 after a byte-order
// mark). Lines that are empty, too long, hold control characters, bytes the
// encoding cannot read or an unclosed quote are skipped and counted.
QStringList Parse(const QByteArray& bytes, int* skipped = nullptr);

struct TLoaded {
    bool found = false;
    QStringList formats;
    int skipped = 0;
    QString error; // the file is there but could not be read
};
TLoaded Load();

} // namespace DateFormatFile
