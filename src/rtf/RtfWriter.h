#pragma once

#include <QByteArray>

class QTextCursor;
class QTextDocument;

namespace Rtf {

// Compact RTF for Japanese pages: \ansicpg932, text in the font's code page
// as \'xx, anything the code page lacks as \uN?, pictures as PNG.
QByteArray write(const QTextDocument& doc);           // whole document
QByteArray writeSelection(const QTextCursor& cursor); // the selected part only

} // namespace Rtf
