#pragma once

#include "output/OutputEngine.h"

#include <QString>
#include <QStringList>

// The user's output templates: "*.txt" and "*.rtf" in the program folder's "Output".
namespace OutputTemplates {

QString Folder();
// File names (without folder) of the templates of one kind, by name.
QStringList Files(TTemplateKind kind);
// Copies the shipped templates into the folder when it holds none of
// either kind. Returns false with the reason when that fails.
bool InstallDefaults(QString* error = nullptr);
// The names of the shipped templates.
QStringList DefaultNames();

} // namespace OutputTemplates
