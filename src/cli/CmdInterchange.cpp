// wrennote-cli import and export: other programs' outlines in, open formats out.
#include "CliCommand.h"

#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "file/OutlineFile.h"
#include "interchange/Branch.h"
#include "interchange/Export.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"

#include <QFileInfo>

#include <cstdio>

namespace {

void warn(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

int runImport(const QStringList& given) {
    QStringList args = given;
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    if (args.size() != 2)
        throw TCliUsageError{QStringLiteral("import needs IN and OUT")};
    const QString in = args.at(0);
    const QString out = args.at(1);
    if (!force && QFileInfo::exists(out))
        return CliFail(
            out, QStringLiteral("既にあります。何も書き出していません（--force で置き換えます）"));
    const Interchange::TReadResult r = Interchange::ReadFile(in);
    if (!r.ok)
        return CliFail(in, r.error + QStringLiteral("（何も書き出していません）"));
    TCliDocument doc; // a new document's settings, not the user's stored defaults
    Interchange::Insert(doc.outline, r.branch);
    TLeafNote::CreateTrash(doc.outline);
    if (r.branch.lossy)
        warn(QStringLiteral("%1: 項目名かリンクに保存できない文字があり、「?」に置き換えました。")
                 .arg(in));
    if (r.branch.droppedPictures > 0)
        warn(QStringLiteral("%1: 読めない画像 %2 個を省きました。")
                 .arg(in)
                 .arg(r.branch.droppedPictures));
    return CliWriteDocument(out, doc, qint64(r.branch.items.size()));
}

} // namespace

int RunFormatExport(const QStringList& args) {
    QString formatName, out, rootText;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        auto value = [&](const char* option) {
            if (i + 1 >= args.size())
                throw TCliUsageError{QStringLiteral("%1 needs a value").arg(QLatin1String(option))};
            return args.at(++i);
        };
        if (a == QLatin1String("--format"))
            formatName = value("--format");
        else if (a == QLatin1String("-o"))
            out = value("-o");
        else if (a == QLatin1String("--root"))
            rootText = value("--root");
        else if (a.startsWith(QLatin1Char('-')) && a.size() > 1)
            throw TCliUsageError{QStringLiteral("unknown option: %1").arg(a)};
        else
            files.append(a);
    }
    if (files.size() != 1 || out.isEmpty() || formatName.isEmpty())
        throw TCliUsageError{QStringLiteral("export needs FILE, --format and -o OUT")};
    Interchange::TExportFormat format;
    if (!Interchange::FormatFromName(formatName, &format))
        throw TCliUsageError{
            QStringLiteral("--format must be opml, markdown or html: %1").arg(formatName)};
    const QString in = files.at(0);
    TCliDocument doc;
    const OutlineFile::ReadResult r = OutlineFile::readFile(in, doc.settings, doc.outline);
    if (!r.ok)
        return CliFail(
            in, r.error + QStringLiteral("（正しく読めなかったため、何も書き出していません）"));
    Interchange::TExportOptions options;
    options.documentFolder = QFileInfo(in).absolutePath();
    options.title = QFileInfo(in).completeBaseName();
    if (!rootText.isEmpty()) {
        bool ok = false;
        const int id = rootText.toInt(&ok);
        if (!ok || id <= 0)
            throw TCliUsageError{QStringLiteral("--root must be a node id: %1").arg(rootText)};
        options.root = doc.outline.findByNodeId(id);
        if (!options.root)
            return CliFail(in, QStringLiteral("no item has the node id %1").arg(id));
        options.title = Cp932::toUnicode(options.root->item()->Title);
    }
    Interchange::TExportResult result;
    if (!Interchange::ExportFile(out, format, doc.outline, options, &result))
        return CliFail(out, result.error);
    CliOut(
        QStringLiteral("%1: %2 items, %3 bytes\n").arg(out).arg(result.count).arg(result.written));
    return 0;
}

namespace {

const TCliRegistrar importCommand(TCliCommand{
    QStringLiteral("import"),
    QStringLiteral("import IN OUT [--force]   (an OPML, Markdown, CherryTree .ctd/.ctb or "
                   "TreeLine .trln file into a new .wrn)"),
    runImport, true});

} // namespace
