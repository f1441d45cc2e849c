#include "file/SampleOutline.h"

#include "common/DateTime.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QDate>
#include <QStringList>

#include <deque>
#include <vector>

namespace SampleOutline {

namespace {

constexpr int MaxDepth = 6;
constexpr int MinPage = 200;
constexpr int MaxPage = 4096;

// splitmix64: tiny, and the same sequence on every platform and library.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1
    int below(int n) { return n <= 0 ? 0 : int(next() % uint64_t(n)); }
    // true with the given chance in percent
    bool percent(int p) { return below(100) < p; }
    template <typename T> const T& pick(const std::vector<T>& v) {
        return v[size_t(below(int(v.size())))];
    }

private:
    uint64_t m_state;
};

std::vector<QByteArray> encodeAll(const QStringList& texts) {
    std::vector<QByteArray> out;
    out.reserve(size_t(texts.size()));
    for (const QString& t : texts)
        out.push_back(Cp932::fromUnicode(t));
    return out;
}

struct Words {
    std::vector<QByteArray> titles;
    std::vector<QByteArray> books;
    std::vector<QByteArray> sentences;
    std::vector<QByteArray> ascii;
    std::vector<QByteArray> folders;
    QByteArray fontName;

    Words() {
        titles = encodeAll({
            QStringLiteral("会議の準備"),     QStringLiteral("資料を作成する"),
            QStringLiteral("見積もりを確認"), QStringLiteral("来週の予定"),
            QStringLiteral("買い物リスト"),   QStringLiteral("企画書のレビュー"),
            QStringLiteral("電話をかける"),   QStringLiteral("メールの返信"),
            QStringLiteral("進捗報告"),       QStringLiteral("議事録"),
            QStringLiteral("東京出張"),       QStringLiteral("設計メモ"),
            QStringLiteral("テスト項目"),     QStringLiteral("読書ノート"),
            QStringLiteral("アイデア"),       QStringLiteral("打ち合わせ"),
            QStringLiteral("請求書の発行"),   QStringLiteral("引っ越しの手続き"),
            QStringLiteral("旅行の計画"),     QStringLiteral("バグ修正 #%1"),
            QStringLiteral("Release v%1.0"),  QStringLiteral("TODO: 確認"),
            QStringLiteral("ｶﾀｶﾅ半角メモ"),   QStringLiteral("①〜⑩の整理"),
        });
        books = encodeAll({
            QStringLiteral("仕事"),
            QStringLiteral("プライベート"),
            QStringLiteral("プロジェクトＡ"),
            QStringLiteral("資料集"),
            QStringLiteral("日記"),
            QStringLiteral("Ideas"),
        });
        sentences = encodeAll({
            QStringLiteral("今日は朝から雨が降っている。"),
            QStringLiteral("次回の打ち合わせは金曜日の午後三時から。"),
            QStringLiteral("仕様の確認が必要です。"),
            QStringLiteral("予算について担当者と相談すること。"),
            QStringLiteral("表示が崩れる件を調べる。"),
            QStringLiteral("締め切りは来月の十日。"),
            QStringLiteral("ソフトウェアの構成を見直す。"),
            QStringLiteral("表計算の数式が正しいか確かめる。"),
            QStringLiteral("能率よく進めるために手順を整理した。"),
            QStringLiteral("「重要」と書かれた書類を先に片付ける。"),
            QStringLiteral("全角ＡＢＣと半角ｱｲｳが混ざった行。"),
        });
        ascii = encodeAll({
            QStringLiteral("TODO"),
            QStringLiteral("review the draft"),
            QStringLiteral("http://example.com/docs/index.html"),
            QStringLiteral("build #42 passed"),
            QStringLiteral("deadline: 2024-06-30"),
            QStringLiteral("meeting at 10:00"),
            QStringLiteral("fix {brace} and \\backslash"),
            QStringLiteral("The quick brown fox jumps over the lazy dog."),
            QStringLiteral("<node:12>"),
        });
        folders = encodeAll({
            QStringLiteral("C:\\Users\\taro\\Documents\\資料"),
            QStringLiteral("D:\\work\\project"),
            QStringLiteral("http://example.com/wiki/page"),
        });
        fontName = Cp932::fromUnicode(QStringLiteral("ＭＳ Ｐゴシック"));
    }
};

QByteArray makeTitle(Random& rnd, const Words& w) {
    QByteArray t = rnd.pick(w.titles);
    if (t.contains("%1"))
        t.replace("%1", QByteArray::number(1 + rnd.below(999)));
    return t;
}

// Plain text of 200 .. 4096 bytes, lines ended by CR LF, never cut inside a
// double-byte character.
QByteArray makeText(Random& rnd, const Words& w) {
    const int target = MinPage + rnd.below(MaxPage - MinPage + 1);
    QByteArray text;
    text.reserve(target + 128);
    while (text.size() < target) {
        const QByteArray& piece = rnd.percent(65) ? rnd.pick(w.sentences) : rnd.pick(w.ascii);
        if (text.size() + piece.size() + 3 > MaxPage)
            break;
        text += piece;
        text += rnd.percent(25) ? QByteArray("\r\n") : QByteArray(" ");
    }
    while (text.size() < MinPage)
        text += 'x';
    return text;
}

void appendRtfText(QByteArray& rtf, const QByteArray& text) {
    static const char hex[] = "0123456789abcdef";
    for (const char ch : text) {
        const auto c = uint8_t(ch);
        if (c == '\\' || c == '{' || c == '}') {
            rtf += '\\';
            rtf += ch;
        } else if (c >= 0x80) {
            rtf += "\\'";
            rtf += hex[c >> 4];
            rtf += hex[c & 15];
        } else {
            rtf += ch;
        }
    }
}

bool isAscii(const QByteArray& text) {
    for (const char ch : text)
        if (uint8_t(ch) >= 0x80)
            return false;
    return true;
}

// A small RTF document with a few bold and coloured lines.
QByteArray makeRtf(Random& rnd, const Words& w, const QByteArray& text) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl{\\f0"
                     "\\fswiss\\fprq2\\fcharset128 ";
    appendRtfText(rtf, w.fontName);
    rtf += ";}{\\f1\\fmodern\\fprq1\\fcharset0 Courier New;}}\r\n"
           "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
           "\\viewkind4\\uc1\\pard\\lang1041\\f0\\fs20 ";
    const QList<QByteArray> lines = text.split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        const int style = rnd.below(10);
        if (style == 0) {
            rtf += "\\b ";
            appendRtfText(rtf, line);
            rtf += "\\b0 ";
        } else if (style == 1) {
            rtf += "\\cf1 ";
            appendRtfText(rtf, line);
            rtf += "\\cf0 ";
        } else if (style == 2 && isAscii(line)) {
            // The Latin font only for lines it can show: a Japanese line in a
            // Western charset reads as mojibake.
            rtf += "\\f1 ";
            appendRtfText(rtf, line);
            rtf += "\\f0 ";
        } else {
            appendRtfText(rtf, line);
        }
        rtf += "\\par\r\n";
    }
    rtf += "}\r\n";
    return rtf;
}

// About 1 KB of text in lines of a few runs each; every page begins with
// "Note " so that one search finds them all.
QByteArray make1KText(Random& rnd, const Words& w) {
    QByteArray text = "Note " + QByteArray::number(rnd.below(100000)) + "\r\n";
    while (text.size() < 1000) {
        text += rnd.percent(55) ? rnd.pick(w.sentences) : rnd.pick(w.ascii);
        text += rnd.percent(30) ? QByteArray("\r\n") : QByteArray(" ");
    }
    return text;
}

// The same text in RTF, each line cut into runs that are bold, italic,
// coloured or plain.
QByteArray make1KRtf(Random& rnd, const Words& w, const QByteArray& text) {
    static const char* const kOn[] = {"\\b ", "\\i ", "\\cf1 ", "\\cf2 ", "\\b\\cf1 ", ""};
    static const char* const kOff[] = {"\\b0 ", "\\i0 ", "\\cf0 ", "\\cf0 ", "\\b0\\cf0 ", ""};
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl{\\f0"
                     "\\fswiss\\fprq2\\fcharset128 ";
    appendRtfText(rtf, w.fontName);
    rtf += ";}}\r\n{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}\r\n"
           "\\viewkind4\\uc1\\pard\\lang1041\\f0\\fs20 ";
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        // Runs end at spaces, so no double-byte character is cut.
        const QList<QByteArray> words = line.split(' ');
        for (qsizetype i = 0; i < words.size(); ++i) {
            const int style = rnd.below(6);
            rtf += kOn[style];
            appendRtfText(rtf, words[i]);
            if (i + 1 < words.size())
                rtf += ' ';
            rtf += kOff[style];
        }
        rtf += "\\par\r\n";
    }
    rtf += "}\r\n";
    return rtf;
}

void fill(TLeafNote& item, Random& rnd, const Words& w, double base, TProfile profile) {
    item.Title = makeTitle(rnd, w);
    item.CreatedDate = base + rnd.below(700) + rnd.below(86400) / 86400.0;
    item.ModifiedDate = item.CreatedDate + rnd.below(100) + rnd.below(86400) / 86400.0;
    const int p = rnd.below(100);
    item.Progress = p < 60   ? ProgressNotStarted
                    : p < 75 ? ProgressInProgress
                    : p < 95 ? ProgressDone
                             : ProgressOnHold;
    if (rnd.percent(15))
        item.DueDate = base + rnd.below(800);
    if (item.Progress == ProgressDone)
        item.FinishDate = item.DueDate != 0 ? item.DueDate : item.ModifiedDate;
    if (rnd.percent(20))
        item.LabelIndex = 1 + rnd.below(7);
    if (rnd.percent(5))
        item.Links = rnd.pick(w.folders) + '\\' + QByteArray::number(rnd.below(100)) + ".txt\r\n";
    if (rnd.percent(10))
        item.AssignNodeId();
    if (profile == RichPages1K) {
        item.PageText = make1KText(rnd, w);
        item.PageRich = make1KRtf(rnd, w, item.PageText);
    } else if (rnd.percent(85)) {
        item.PageText = makeText(rnd, w);
        if (rnd.below(3) == 0)
            item.PageRich = makeRtf(rnd, w, item.PageText);
    }
}

} // namespace

void generate(TOutline& outline, TOptionDesc& settings, int count, uint32_t seed,
              TProfile profile) {
    static const Words words;
    TOutlineResetScope reset(outline);
    outline.clear();
    settings.NextNodeId = 1;
    Random rnd(seed);
    const double base = WrenDate::fromDate(QDate(2024, 1, 1));
    if (count <= 0)
        return;

    const int trashItems = qMin(5, (count - 1) / 50);
    int left = count - 1 - trashItems;
    std::deque<std::pair<TOutlineNode*, int>> open; // node, its level (1 = book)
    std::vector<TOutlineNode*> parents;
    while (left > 0) {
        if (open.empty()) {
            TLeafNote* book = TLeafNote::Create(outline, InsertBottomOfLevel, nullptr);
            fill(*book, rnd, words, base, profile);
            book->Title = rnd.pick(words.books) + QByteArray::number(outline.topLevelCount());
            --left;
            open.emplace_back(book->TreeNode, 1);
            continue;
        }
        const auto [node, level] = open.front();
        open.pop_front();
        parents.push_back(node);
        const int fanOut = qMin(left, 1 + rnd.below(20));
        for (int i = 0; i < fanOut; ++i) {
            TLeafNote* child = TLeafNote::Create(outline, InsertLastChild, node);
            fill(*child, rnd, words, base, profile);
            --left;
            if (level + 1 < MaxDepth && rnd.percent(45))
                open.emplace_back(child->TreeNode, level + 1);
        }
    }
    for (TOutlineNode* p : parents)
        if (rnd.percent(30))
            outline.setExpanded(p, true);
    if (outline.topLevelCount() > 0) {
        TOutlineNode* first = outline.topLevel(0);
        outline.setExpanded(first, true);
        outline.setSelectedNode(first->hasChildren() ? first->firstChild() : first);
    }

    TLeafNote* trash = TLeafNote::CreateTrash(outline);
    trash->CreatedDate = trash->ModifiedDate = base; // not "now": the same seed, the same bytes
    for (int i = 0; i < trashItems; ++i)
        fill(*TLeafNote::Create(outline, InsertLastChild, trash->TreeNode), rnd, words, base,
             profile);
}

} // namespace SampleOutline
