// TreeLine 3 (.trln): JSON with a list of node formats (their fields in
// order), a flat list of nodes (uid, format, data, children by uid) and the
// top nodes in the properties.
#include "interchange/Readers.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

namespace Interchange {

namespace {

// Field values keep TreeLine's little HTML: line breaks as <br />, the
// marks escaped.
QString fieldText(const QJsonValue& value) {
    QString text =
        value.isString()   ? value.toString()
        : value.isDouble() ? QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest)
        : value.isBool()   ? (value.toBool() ? QStringLiteral("true") : QStringLiteral("false"))
                           : QString();
    if (!text.contains(QLatin1Char('<')) && !text.contains(QLatin1Char('&')))
        return text;
    static const QRegularExpression br(QStringLiteral("<br\\s*/?>"),
                                       QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    text.replace(br, QStringLiteral("\n"));
    text.remove(tag);
    static const QRegularExpression entity(QStringLiteral("&(#x[0-9A-Fa-f]+|#[0-9]+|[A-Za-z]+);"));
    QString out;
    qsizetype pos = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(pos, m.capturedStart() - pos);
        const QString e = m.captured(1);
        char32_t code = 0;
        if (e.startsWith(QLatin1String("#x")))
            code = e.mid(2).toUInt(nullptr, 16);
        else if (e.startsWith(QLatin1Char('#')))
            code = e.mid(1).toUInt();
        else if (e == QLatin1String("amp"))
            code = '&';
        else if (e == QLatin1String("lt"))
            code = '<';
        else if (e == QLatin1String("gt"))
            code = '>';
        else if (e == QLatin1String("quot"))
            code = '"';
        else if (e == QLatin1String("apos"))
            code = '\'';
        else if (e == QLatin1String("nbsp"))
            code = ' ';
        if (code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF))
            out += QString::fromUcs4(&code, 1);
        else
            out += m.captured(0);
        pos = m.capturedEnd();
    }
    out += QStringView(text).mid(pos);
    return out;
}

QString lineColumn(const QByteArray& bytes, int offset, const QString& path) {
    qint64 line = 1, column = 1;
    for (int i = 0; i < offset && i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ++line;
            column = 1;
        } else if ((uint8_t(bytes[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return Place(path, line, column);
}

} // namespace

TReadResult ReadTreeLine(const QString& path, const QByteArray& bytes, const TProgress& progress) {
    TReadResult r;
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        r.error = QStringLiteral("%1: JSON として読めません（%2）。")
                      .arg(lineColumn(bytes, parseError.offset, path),
                           parseError.error == QJsonParseError::UnterminatedObject ||
                                   parseError.error == QJsonParseError::UnterminatedArray ||
                                   parseError.error == QJsonParseError::UnterminatedString
                               ? QStringLiteral("途中で終わっています")
                           : parseError.error == QJsonParseError::DeepNesting
                               ? QStringLiteral("入れ子が深すぎます")
                               : QStringLiteral("書き方が正しくありません"));
        return r;
    }
    const QJsonObject root = json.object();
    if (!json.isObject() || !root.value(QLatin1String("nodes")).isArray()) {
        r.error =
            QStringLiteral("%1: TreeLine の文書ではありません（\"nodes\" の一覧がありません）。")
                .arg(Place(path, 0, 0));
        return r;
    }
    // Field order of each node format.
    QHash<QString, QStringList> fieldsOf;
    for (const QJsonValue f : root.value(QLatin1String("formats")).toArray()) {
        const QJsonObject format = f.toObject();
        QStringList names;
        for (const QJsonValue field : format.value(QLatin1String("fields")).toArray())
            names.append(field.toObject().value(QLatin1String("fieldname")).toString());
        fieldsOf.insert(format.value(QLatin1String("formatname")).toString(), names);
    }
    const QJsonArray nodes = root.value(QLatin1String("nodes")).toArray();
    if (nodes.size() > MaxItems) {
        r.error =
            QStringLiteral("%1: 項目が多すぎます（%2 項目）。読み込めるのは %3 項目までです。")
                .arg(Place(path, 0, 0))
                .arg(nodes.size())
                .arg(MaxItems);
        return r;
    }
    QHash<QString, int> byUid;
    QSet<QString> referenced;
    for (int i = 0; i < nodes.size(); ++i) {
        const QJsonObject node = nodes.at(i).toObject();
        const QString uid = node.value(QLatin1String("uid")).toString();
        if (uid.isEmpty() || byUid.contains(uid)) {
            r.error = QStringLiteral("%1: %2 番目のノードの uid が%3。")
                          .arg(Place(path, 0, 0))
                          .arg(i + 1)
                          .arg(uid.isEmpty()
                                   ? QStringLiteral("ありません")
                                   : QStringLiteral("ほかのノードと重なっています（%1）").arg(uid));
            return r;
        }
        byUid.insert(uid, i);
        for (const QJsonValue c : node.value(QLatin1String("children")).toArray())
            referenced.insert(c.toString());
    }
    QStringList tops;
    const QJsonValue topValue =
        root.value(QLatin1String("properties")).toObject().value(QLatin1String("topnodes"));
    if (topValue.isArray()) {
        for (const QJsonValue t : topValue.toArray())
            tops.append(t.toString());
    } else {
        for (const QJsonValue n : nodes) {
            const QString uid = n.toObject().value(QLatin1String("uid")).toString();
            if (!referenced.contains(uid))
                tops.append(uid);
        }
    }
    // Depth first, iteratively; a node met twice is a loop or a shared child.
    struct Pending {
        QString uid;
        int parent;
        int depth;
    };
    std::vector<Pending> stack;
    for (auto it = tops.crbegin(); it != tops.crend(); ++it)
        stack.push_back({*it, -1, 0});
    QSet<QString> seen;
    TBranch& branch = r.branch;
    // false when the file is refused or the user cancelled (r tells which).
    auto walk = [&]() -> bool {
        while (!stack.empty()) {
            const Pending p = stack.back();
            stack.pop_back();
            const auto found = byUid.constFind(p.uid);
            if (found == byUid.constEnd()) {
                r.error =
                    QStringLiteral("%1: ノード %2 が見つかりません（子の一覧が指しています）。")
                        .arg(Place(path, 0, 0), p.uid);
                return false;
            }
            if (seen.contains(p.uid)) {
                r.error =
                    QStringLiteral("%1: ノード %2 が二度以上現れます（子の一覧が循環しています）。")
                        .arg(Place(path, 0, 0), p.uid);
                return false;
            }
            if (p.depth >= MaxDepth) {
                r.error = QStringLiteral(
                              "%1: ノード %2 の階層が深すぎます。読み込めるのは %3 階層までです。")
                              .arg(Place(path, 0, 0), p.uid)
                              .arg(MaxDepth);
                return false;
            }
            seen.insert(p.uid);
            const QJsonObject node = nodes.at(*found).toObject();
            const QJsonObject data = node.value(QLatin1String("data")).toObject();
            QStringList order = fieldsOf.value(node.value(QLatin1String("format")).toString());
            for (const QString& key : data.keys())
                if (!order.contains(key))
                    order.append(key);
            TBranchItem item;
            item.parent = p.parent;
            QString title;
            QStringList page;
            bool first = true;
            for (const QString& name : order) {
                const QString value = fieldText(data.value(name));
                if (first) {
                    title = value;
                    first = false;
                    continue;
                }
                if (!value.isEmpty())
                    page.append(QStringLiteral("%1: %2").arg(name, value));
            }
            item.Title = TitleBytes(title, &branch.lossy);
            SetPlainPage(item, page.join(QLatin1Char('\n')));
            branch.items.push_back(std::move(item));
            const int index = int(branch.items.size()) - 1;
            const QJsonArray children = node.value(QLatin1String("children")).toArray();
            for (auto it = children.constEnd(); it != children.constBegin();) {
                --it;
                stack.push_back({(*it).toString(), index, p.depth + 1});
            }
            if (progress && index % 1024 == 1023 && !progress(index, nodes.size())) {
                r.cancelled = true;
                return false;
            }
        }
        return true;
    };
    if (!walk())
        return r;
    // Nodes no list names (not a top node, nobody's child) are kept at the
    // top level rather than lost.
    if (topValue.isArray()) {
        for (auto it = nodes.end(); it != nodes.begin();) {
            const QString uid = (*--it).toObject().value(QLatin1String("uid")).toString();
            if (!seen.contains(uid) && !referenced.contains(uid) && !tops.contains(uid))
                stack.push_back({uid, -1, 0});
        }
        if (!walk())
            return r;
    }
    r.ok = true;
    return r;
}

} // namespace Interchange
