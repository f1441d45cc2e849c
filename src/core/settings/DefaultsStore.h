#pragma once

#include <QSettings>
#include <QString>

#include <memory>

// The per-user store of default settings and toolbar positions: an INI file
// KESTON/WrenNOTE.ini in the XDG configuration folder, sections as groups and
// every value a string. The path follows XDG_CONFIG_HOME at every call.
QString DefaultsStorePath();
std::unique_ptr<QSettings> OpenDefaultsStore();

namespace DefaultsStore {

// A stored integer: decimal, or hexadecimal after "0x"/"0X". Sets ok to false
// for a missing, empty or unreadable text.
qint64 parseInteger(const QString& text, bool* ok);

// A value as text; a list (unquoted commas in a hand-edited file) is joined back.
// Returns a null string when the value is missing.
QString readText(const QSettings& store, const QString& key);

} // namespace DefaultsStore
