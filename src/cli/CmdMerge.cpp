#include "CliCommand.h"

#include "doc/DocumentMerge.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"

#include <QFileInfo>

namespace {

int runMerge(const QStringList& given) {
    QStringList args = given;
    QString out;
    const qsizetype at = args.indexOf(QStringLiteral("-o"));
    if (at >= 0) {
        if (at + 1 >= args.size())
            throw TCliUsageError{QStringLiteral("-o の後に出力ファイルを指定してください")};
        out = args.at(at + 1);
        args.remove(at, 2);
    }
    if (args.size() != 2 || out.isEmpty())
        throw TCliUsageError{QStringLiteral("merge には MINE と THEIRS と -o OUT が必要です")};
    const QString mine = args.at(0);
    const QString theirs = args.at(1);
    // Neither version is ever written over: the result goes to a third file.
    const QFileInfo outInfo(out);
    for (const QString& in : {mine, theirs})
        if (outInfo.exists() && QFileInfo(in).exists() &&
            outInfo.canonicalFilePath() == QFileInfo(in).canonicalFilePath())
            return CliFail(
                out, QStringLiteral("統合の結果は、元の二つとは別のファイルに書いてください"));

    TCliDocument ours;
    OutlineFile::ReadResult r = OutlineFile::readFile(mine, ours.settings, ours.outline);
    if (!r.ok)
        return CliFail(mine, r.error + QStringLiteral("（何も書き込んでいません）"));
    TCliDocument other;
    r = OutlineFile::readFile(theirs, other.settings, other.outline);
    if (!r.ok)
        return CliFail(theirs, r.error + QStringLiteral("（何も書き込んでいません）"));
    if (!ours.outline.trashNode())
        TLeafNote::CreateTrash(ours.outline);

    TDocumentMerge merge(ours.outline, other.outline, nullptr);
    merge.Apply();
    CliOut(merge.Report());
    return CliWriteDocument(out, ours);
}

const TCliRegistrar merge(TCliCommand{
    QStringLiteral("merge"),
    QStringLiteral("merge MINE.wrn THEIRS.wrn -o OUT.wrn   (two versions of a document into one)"),
    runMerge});

} // namespace
