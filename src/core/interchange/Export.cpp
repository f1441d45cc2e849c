#include "interchange/Export.h"

#include "file/OutlineFile.h"

namespace Interchange {

TExportResult Export(TExportFormat format, TOutline& outline, const TExportOptions& options,
                     TByteSink* sink) {
    switch (format) {
    case TExportFormat::Opml:
        return ExportOpml(outline, options, sink);
    case TExportFormat::Markdown:
        return ExportMarkdown(outline, options, sink);
    case TExportFormat::Html:
        return ExportHtml(outline, options, sink);
    }
    return TExportResult();
}

bool FormatFromName(const QString& given, TExportFormat* format) {
    const QString name = given.toLower();
    if (name == QLatin1String("opml"))
        *format = TExportFormat::Opml;
    else if (name == QLatin1String("markdown") || name == QLatin1String("md"))
        *format = TExportFormat::Markdown;
    else if (name == QLatin1String("html") || name == QLatin1String("htm"))
        *format = TExportFormat::Html;
    else
        return false;
    return true;
}

QString DefaultSuffix(TExportFormat format) {
    switch (format) {
    case TExportFormat::Opml:
        return QStringLiteral("opml");
    case TExportFormat::Markdown:
        return QStringLiteral("md");
    case TExportFormat::Html:
        return QStringLiteral("html");
    }
    return QString();
}

QString SaveFilter(TExportFormat format) {
    switch (format) {
    case TExportFormat::Opml:
        return QStringLiteral("OPML (*.opml)");
    case TExportFormat::Markdown:
        return QStringLiteral("Markdown (*.md)");
    case TExportFormat::Html:
        return QStringLiteral("HTML (*.html *.htm)");
    }
    return QString();
}

bool ExportFile(const QString& path, TExportFormat format, TOutline& outline,
                const TExportOptions& options, TExportResult* result) {
    // Written as it is made, into a file that replaces path only when all of
    // it is there: a failed or cancelled export leaves nothing behind.
    struct Stopped {};
    QString error;
    try {
        const bool written = OutlineFile::writeFile(
            path,
            [&](TByteSink& sink) {
                *result = Export(format, outline, options, &sink);
                if (!result->ok)
                    throw Stopped{};
            },
            nullptr, &error);
        if (!written) {
            result->ok = false;
            result->error = error;
        }
    } catch (const Stopped&) {
        return false;
    }
    return result->ok;
}

} // namespace Interchange
