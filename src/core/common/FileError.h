#pragma once

#include <QString>

class QIODevice;

// Every file error we report is worded here, in Japanese. The system's own
// text (English, or whatever the C library speaks) follows on a last line
// that starts with DetailsLabel(); message boxes move that line into their
// details part.
namespace FileError {

QString DetailsLabel();

// The wording of an errno value, e.g. "アクセスが拒否されました。".
QString Wording(int err);

// Wording followed by the details line with the system's text.
QString SystemText(int err);

// What went wrong on a device that failed: the wording of the errno behind
// its error string when we recognise it, else of its error kind; then the
// details line. Empty when a file device reports no error.
QString Text(const QIODevice& device);

// The same for an error string alone (a copied errorString()).
QString TextOf(const QString& systemText);

// The errno whose system text appears in text; 0 when none does.
int ErrnoOf(const QString& text);

// Splits a message at its details line: the message without it, and the
// details (empty when there is none).
QString WithoutDetails(const QString& message, QString* details);

} // namespace FileError
