#include "interchange/Export.h"

#include "file/OutlineFile.h"

namespace Interchange {

TExportResult Export(TExportFormat format, TOutline& outline, const TExportOptions& options) {
    switch (format) {
    case TExportFormat::Opml:
        return ExportOpml(outline, options);
    case TExportFormat::Markdown:
        return ExportMarkdown(outline, options);
    case TExportFormat::Html:
        return ExportHtml(outline, options);
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
    *result = Export(format, outline, options);
    if (!result->ok)
        return false;
    QString error;
    if (!OutlineFile::writeFile(path, result->bytes, &error)) {
        result->ok = false;
        result->error = error;
        return false;
    }
    return true;
}

} // namespace Interchange
