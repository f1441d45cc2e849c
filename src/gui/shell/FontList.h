#pragma once

#include <QStringList>

// The installed font families, sorted case-insensitively in Japanese order and
// trimmed from the front while a name's first byte is "@" (0x40) or lower:
// vertical-writing faces and names starting with digits or signs.
const QStringList& InstalledFonts();

// Family names without their foundry ("C059 [UKWN]" is "C059"), each once.
QStringList PlainFamilyNames(const QStringList& families);

// The sorting and trimming of InstalledFonts, on any list.
QStringList SortAndTrimFontNames(QStringList names);

// The character set of an installed family: 128 when it can write Japanese,
// else 0; 128 for a family that is not installed.
int FontCharset(const QString& family);
