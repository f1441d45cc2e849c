// Measures the reader and writer against documents of other programs
// (scripts/rtf_corpus.sh drives it with LibreOffice):
//   rtf_corpus read IN.rtf OUTDIR     our plain text (OUTDIR/NAME.txt) and the
//                                     RTF we write for it (OUTDIR/NAME.rtf)
//   rtf_corpus formats OURS.rtf THEIRS.rtf
//                                     characters whose bold, italic, size,
//                                     colour and face agree, Japanese and
//                                     Latin apart
#include "rtf/RtfParser.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <cmath>
#include <cstdio>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

struct Look {
    QChar c;
    bool bold = false;
    bool italic = false;
    int halfPoints = 0;
    QRgb color = 0;
    QString face;

    bool operator==(const Look& o) const {
        return bold == o.bold && italic == o.italic && halfPoints == o.halfPoints &&
               color == o.color && face == o.face;
    }
};

// The look of every character that is neither space nor object.
QList<Look> looks(const QTextDocument& doc) {
    QList<Look> out;
    const QString defaultFace = doc.defaultFont().family();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const QTextCharFormat f = frag.charFormat();
            Look l;
            l.bold = f.fontWeight() >= QFont::DemiBold;
            l.italic = f.fontItalic();
            const qreal size = f.fontPointSize() > 0 ? f.fontPointSize() : 12;
            l.halfPoints = int(std::lround(size * 2));
            // Black is the automatic colour too.
            l.color = f.hasProperty(QTextFormat::ForegroundBrush)
                          ? f.foreground().color().rgb() & 0xFFFFFFu
                          : 0;
            const QStringList families = f.fontFamilies().toStringList();
            l.face = families.isEmpty() ? defaultFace : families.first();
            // Names with a charset suffix ("Arial CE") are the plain face to
            // LibreOffice.
            for (const char* suffix : {" CE", " Cyr", " Greek", " Tur", " Baltic"})
                if (l.face.endsWith(QLatin1String(suffix)))
                    l.face.chop(qsizetype(qstrlen(suffix)));
            for (QChar c : frag.text()) {
                if (c.isSpace() || c == QChar::ObjectReplacementCharacter)
                    continue;
                l.c = c;
                out.append(l);
            }
        }
    }
    return out;
}

int formats(const QString& ours, const QString& theirs) {
    QTextDocument a;
    QTextDocument b;
    if (!Rtf::load(readAll(ours), a).ok || !Rtf::load(readAll(theirs), b).ok) {
        std::printf("unreadable\n");
        return 1;
    }
    const QList<Look> x = looks(a);
    const QList<Look> y = looks(b);
    int same[2] = {0, 0};
    int total[2] = {0, 0};
    qsizetype j = 0;
    for (qsizetype i = 0; i < x.size(); ++i) {
        // Characters the other program added or left out are skipped.
        qsizetype k = j;
        while (k < y.size() && y[k].c != x[i].c && k - j < 8)
            ++k;
        if (k >= y.size() || y[k].c != x[i].c)
            continue;
        j = k + 1;
        const int kind = Rtf::isEastAsian(x[i].c.unicode()) ? 1 : 0;
        ++total[kind];
        if (x[i] == y[k])
            ++same[kind];
        else if (qEnvironmentVariableIsSet("RTF_CORPUS_VERBOSE"))
            std::fprintf(stderr, "  %s: b%d/%d i%d/%d s%d/%d c%06x/%06x %s/%s\n",
                         QString(x[i].c).toUtf8().constData(), x[i].bold, y[k].bold, x[i].italic,
                         y[k].italic, x[i].halfPoints, y[k].halfPoints, x[i].color, y[k].color,
                         x[i].face.toUtf8().constData(), y[k].face.toUtf8().constData());
    }
    std::printf("latin %d %d japanese %d %d\n", same[0], total[0], same[1], total[1]);
    return 0;
}

// The document without its footnotes, as LibreOffice's plain text gives it.
QByteArray withoutNotes(const QByteArray& rtf) {
    QByteArray out;
    qsizetype i = 0;
    while (true) {
        qsizetype at = rtf.indexOf("{\\*\\footnote", i);
        const qsizetype plain = rtf.indexOf("{\\footnote", i);
        if (at < 0 || (plain >= 0 && plain < at))
            at = plain;
        if (at < 0)
            break;
        out += rtf.mid(i, at - i);
        int depth = 0;
        qsizetype j = at;
        for (; j < rtf.size(); ++j) {
            if (rtf[j] == '\\') {
                ++j;
                continue;
            }
            if (rtf[j] == '{')
                ++depth;
            else if (rtf[j] == '}' && --depth == 0)
                break;
        }
        i = j + 1;
    }
    return out + rtf.mid(i);
}

int read(const QString& in, const QString& dir) {
    const QByteArray rtf = readAll(in);
    const QString base = dir + QLatin1Char('/') + QFileInfo(in).completeBaseName();
    QTextDocument doc;
    const Rtf::ReadResult r = Rtf::load(rtf, doc);
    if (!writeAll(base + QStringLiteral(".txt"), Rtf::plainText(rtf).toUtf8()) ||
        !writeAll(base + QStringLiteral(".nonotes.txt"),
                  Rtf::plainText(withoutNotes(rtf)).toUtf8()) ||
        !writeAll(base + QStringLiteral(".rtf"), Rtf::write(doc)))
        return 1;
    std::printf("%s %s\n", r.ok ? "ok" : "damaged", in.toUtf8().constData());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("read"))
        return read(args[2], args[3]);
    if (args.size() == 4 && args[1] == QLatin1String("formats"))
        return formats(args[2], args[3]);
    std::fprintf(stderr, "usage: rtf_corpus read IN.rtf OUTDIR | formats OURS.rtf THEIRS.rtf\n");
    return 2;
}
