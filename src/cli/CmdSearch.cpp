// wrennote-cli search and export: list items by criteria, write an outline through a template.
#include "CliCommand.h"

#include "common/DateTime.h"
#include "file/Cp932.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "output/OutputEngine.h"
#include "output/OutputTemplates.h"
#include "output/rtf/RtfExport.h"
#include "search/FindDesc.h"
#include "settings/OptionDesc.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>

#include <array>
#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <vector>

namespace {

// The value after an option, or a usage error.
QString valueOf(const QStringList& args, int& i) {
    if (i + 1 >= args.size())
        throw TCliUsageError{args.at(i) + QStringLiteral(" needs a value")};
    return args.at(++i);
}

int intOf(const QString& option, const QString& text, int min, int max) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        throw TCliUsageError{QStringLiteral("%1: '%2' is not a number from %3 to %4")
                                 .arg(option, text)
                                 .arg(min)
                                 .arg(max)};
    return v;
}

// "0,2,3" as a set of indices below n.
template <size_t N> std::array<bool, N> setOf(const QString& option, const QString& text) {
    std::array<bool, N> set{};
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        set[size_t(intOf(option, part.trimmed(), 0, int(N) - 1))] = true;
    return set;
}

double dateOf(const QString& text) {
    QDateTime dt = QDateTime::fromString(text, Qt::ISODate);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(text, Qt::ISODate);
        if (!d.isValid())
            throw TCliUsageError{
                QStringLiteral("--ref: '%1' is not a date (YYYY-MM-DD[Thh:mm])").arg(text)};
        return WrenDate::fromDate(d);
    }
    return WrenDate::fromDateTime(dt);
}

// "Book / Item / ..." in UTF-8. The path of every parent is made once and
// kept, so that a hundred thousand hits do not each climb to the top.
class TPathTexts {
public:
    // title: the node's own title in UTF-8.
    QByteArray of(const TOutlineNode* node, const QByteArray& title) {
        const TOutlineNode* parent = node->parent();
        if (!parent)
            return title;
        return parentPath(parent) + " / " + title;
    }

private:
    static QByteArray titleOf(const TOutlineNode* node) {
        return Cp932::toUnicode(node->item()->Title).toUtf8();
    }
    const QByteArray& parentPath(const TOutlineNode* parent) {
        auto it = m_paths.find(parent);
        if (it == m_paths.end())
            it = m_paths.emplace(parent, of(parent, titleOf(parent))).first;
        return it->second;
    }
    std::unordered_map<const TOutlineNode*, QByteArray> m_paths;
};

QString dayOf(double value) {
    if (value == 0)
        return QStringLiteral("-");
    const QDate d = WrenDate::toDate(value);
    return d.isValid() ? d.toString(QStringLiteral("yyyy/MM/dd")) : QStringLiteral("?");
}

int runSearch(const QStringList& args) {
    QString path;
    TFindDesc find;
    QByteArray pattern;
    bool matchWord = false, ignoreCase = true, inTitle = true, inText = true;
    bool useDate = false, before = false, after = false, on = false;
    int dateType = DateDue, days = 0;
    double ref = 0;
    bool hasLevel = false;
    int levelId = 0;
    std::array<bool, 8> labels{};
    std::array<bool, 4> progress{};
    bool useLabels = false, useProgress = false, needDue = false, needFinish = false;

    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--text")) {
            bool lossy = false;
            pattern = Cp932::fromUnicode(valueOf(args, i), &lossy);
            if (lossy)
                throw TCliUsageError{QStringLiteral("--text: the text has characters cp932 lacks")};
        } else if (a == QLatin1String("--word")) {
            matchWord = true;
        } else if (a == QLatin1String("--case")) {
            ignoreCase = false;
        } else if (a == QLatin1String("--in")) {
            const QString v = valueOf(args, i);
            inTitle = v == QLatin1String("title") || v == QLatin1String("both");
            inText = v == QLatin1String("text") || v == QLatin1String("both");
            if (!inTitle && !inText)
                throw TCliUsageError{QStringLiteral("--in: title, text or both")};
        } else if (a == QLatin1String("--label")) {
            labels = setOf<8>(a, valueOf(args, i));
            useLabels = true;
        } else if (a == QLatin1String("--progress")) {
            progress = setOf<4>(a, valueOf(args, i));
            useProgress = true;
        } else if (a == QLatin1String("--due")) {
            needDue = true;
        } else if (a == QLatin1String("--finished")) {
            needFinish = true;
        } else if (a == QLatin1String("--date")) {
            static const QStringList kinds = {QStringLiteral("created"), QStringLiteral("modified"),
                                              QStringLiteral("due"), QStringLiteral("finished")};
            dateType = int(kinds.indexOf(valueOf(args, i)));
            if (dateType < 0)
                throw TCliUsageError{QStringLiteral("--date: created, modified, due or finished")};
            useDate = true;
        } else if (a == QLatin1String("--before")) {
            before = true;
        } else if (a == QLatin1String("--after")) {
            after = true;
        } else if (a == QLatin1String("--on")) {
            on = true;
        } else if (a == QLatin1String("--days")) {
            days = intOf(a, valueOf(args, i), 0, 1000000);
        } else if (a == QLatin1String("--ref")) {
            ref = dateOf(valueOf(args, i));
        } else if (a == QLatin1String("--level")) {
            levelId = intOf(a, valueOf(args, i), INT32_MIN, INT32_MAX);
            hasLevel = true;
        } else if (a.startsWith(QLatin1String("--")) || !path.isEmpty()) {
            throw TCliUsageError{QStringLiteral("unknown argument: ") + a};
        } else {
            path = a;
        }
    }
    if (path.isEmpty())
        throw TCliUsageError{QStringLiteral("search needs FILE")};
    if ((before || after || on || days) && !useDate)
        throw TCliUsageError{QStringLiteral("--before, --after, --on and --days need --date")};

    find.Reset();
    find.SetStringCondition(pattern, matchWord, inTitle, inText, ignoreCase);
    if (useDate)
        // As the dialog starts: the day itself when nothing else is chosen.
        find.SetDateCondition(uint8_t(dateType), before, after, on || (!before && !after), days,
                              ref);
    if (useLabels)
        find.SetLabelCondition(labels);
    if (useProgress)
        find.SetProgressCondition(progress[0], progress[1], progress[2], progress[3]);
    if (needDue)
        find.SetHasDueDate();
    if (needFinish)
        find.SetHasFinishDate();

    TCliDocument doc;
    const OutlineFile::ReadResult r = OutlineFile::readFile(path, doc.settings, doc.outline);
    if (!r.ok)
        return CliFail(path, r.error);

    std::vector<TOutlineNode*> scope;
    if (hasLevel) {
        find.SetCurrentLevel();
        TOutlineNode* current = doc.outline.findByNodeId(levelId);
        if (!current)
            return CliFail(path, QStringLiteral("no item has the id %1").arg(levelId));
        const auto& level = doc.outline.childrenOf(current->parent());
        scope.assign(level.begin(), level.end());
    } else {
        doc.outline.forEach([&scope](TOutlineNode* n) {
            scope.push_back(n);
            return true;
        });
    }

    TPathTexts paths;
    QByteArray progressNames[4];
    for (int i = 0; i < 4; ++i)
        progressNames[i] = TLeafNote::ProgressName(i).toUtf8();
    QByteArray out;
    constexpr qsizetype kFlushAt = 1 << 20;
    out.reserve(kFlushAt + 4096);
    for (TOutlineNode* node : scope) {
        const TLeafNote& item = *node->item();
        if (!find.Matches(item))
            continue;
        out += QByteArray::number(item.NodeId);
        out += '\t';
        const QByteArray title = Cp932::toUnicode(item.Title).toUtf8();
        out += title;
        out += '\t';
        if (item.Progress < 4)
            out += progressNames[item.Progress];
        out += '\t';
        out += item.DueDate == 0 ? QByteArray("-") : dayOf(item.DueDate).toUtf8();
        out += '\t';
        out += paths.of(node, title);
        out += '\n';
        if (out.size() >= kFlushAt) {
            std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
            out.resize(0);
        }
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return 0;
}

int runExport(const QStringList& args) {
    if (args.contains(QStringLiteral("--format")))
        return RunFormatExport(args);
    QString path, templ, dest;
    bool hasRoot = false;
    int rootId = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--template") || a == QLatin1String("-t"))
            templ = valueOf(args, i);
        else if (a == QLatin1String("-o") || a == QLatin1String("--output"))
            dest = valueOf(args, i);
        else if (a == QLatin1String("--root")) {
            rootId = intOf(a, valueOf(args, i), INT32_MIN, INT32_MAX);
            hasRoot = true;
        } else if (a.startsWith(QLatin1String("-")) || !path.isEmpty())
            throw TCliUsageError{QStringLiteral("unknown argument: ") + a};
        else
            path = a;
    }
    if (path.isEmpty() || templ.isEmpty() || dest.isEmpty())
        throw TCliUsageError{QStringLiteral("export needs FILE, --template and -o")};

    // A bare name is looked up among the user's templates.
    if (!QFileInfo::exists(templ) && !templ.contains(QLatin1Char('/'))) {
        QString error;
        if (!OutputTemplates::InstallDefaults(&error))
            return CliFail(OutputTemplates::Folder(), error);
        templ = OutputTemplates::Folder() + QLatin1Char('/') + templ;
    }

    TCliDocument doc;
    const OutlineFile::ReadResult r = OutlineFile::readFile(path, doc.settings, doc.outline);
    if (!r.ok)
        return CliFail(path, r.error);
    TOutlineNode* root = nullptr;
    if (hasRoot) {
        root = doc.outline.findByNodeId(rootId);
        if (!root)
            return CliFail(path, QStringLiteral("no item has the id %1").arg(rootId));
    }
    try {
        if (OutputEngine::KindOf(templ) == TTemplateKind::Rtf)
            ExportRtf(doc.outline, root, dest, templ);
        else
            ExportText(doc.outline, root, dest, templ);
    } catch (const EOutputError& e) {
        return CliFail(QString(), e.message());
    }
    return 0;
}

const TCliRegistrar searchCommand({
    QStringLiteral("search"),
    QStringLiteral("search FILE [--text T [--word] [--case] [--in title|text|both]] "
                   "[--label N,..] [--progress N,..] [--due] [--finished] "
                   "[--date created|modified|due|finished [--before] [--after] [--on] "
                   "[--days N] [--ref YYYY-MM-DD]] [--level ID]"),
    runSearch,
    false,
});

// Always on the GUI side: an RTF template needs fonts.
const TCliRegistrar exportCommand({
    QStringLiteral("export"),
    QStringLiteral("export FILE (--template T | --format opml|markdown|html) [--root ID] -o OUT"),
    runExport,
    true,
});

} // namespace
