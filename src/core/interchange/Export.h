#pragma once

#include "interchange/Branch.h"

#include <QByteArray>
#include <QString>

class TByteSink;
class TOutline;
class TOutlineNode;

// Writing the outline, or one branch of it, in formats other programs read.
namespace Interchange {

enum class TExportFormat { Opml, Markdown, Html };

struct TExportOptions {
    // The branch to write (with its subtree); nullptr: every item but the trash.
    TOutlineNode* root = nullptr;
    // The document's folder, for relative file links; empty when unnamed.
    QString documentFolder;
    // The title of the whole file (OPML head, HTML title).
    QString title;
    // Told after each item; returning false cancels.
    TProgress progress;
};

struct TExportResult {
    bool ok = false;
    bool cancelled = false;
    QString error;
    QByteArray bytes; // the whole file, when it went to no sink
    qint64 written = 0;
    int count = 0; // items written
};

// Each writes into sink as it goes when one is given (a write that fails
// throws), else into result.bytes.
TExportResult ExportOpml(TOutline& outline, const TExportOptions& options,
                         TByteSink* sink = nullptr);
TExportResult ExportMarkdown(TOutline& outline, const TExportOptions& options,
                             TByteSink* sink = nullptr);
TExportResult ExportHtml(TOutline& outline, const TExportOptions& options,
                         TByteSink* sink = nullptr);
TExportResult Export(TExportFormat format, TOutline& outline, const TExportOptions& options,
                     TByteSink* sink = nullptr);

// "opml", "markdown"/"md", "html"; false for anything else.
bool FormatFromName(const QString& name, TExportFormat* format);
QString DefaultSuffix(TExportFormat format);
QString SaveFilter(TExportFormat format);

// Writes the export to path through a temporary file that replaces path
// only when all of it was written. False with the reason.
bool ExportFile(const QString& path, TExportFormat format, TOutline& outline,
                const TExportOptions& options, TExportResult* result);

} // namespace Interchange
