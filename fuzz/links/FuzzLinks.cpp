// Random page text (cp932 bytes, and the same decoded as editor text) through
// the link scan and hit test; any link reported must lie inside the text and
// hold the index it was found for.
#include "file/Cp932.h"
#include "links/LinkScan.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

template <class Text> void check(const Text& text) {
    const qsizetype n = text.size();
    qsizetype lastEnd = 0;
    const auto links = LinkScan::LinksInRange(text, 0, n - 1);
    for (const TLinkMatch& m : links) {
        if (m.start < lastEnd || m.length < LinkPrefixLength(m.kind) || m.end() > n)
            std::abort();
        lastEnd = m.end();
        (void)LinkScan::ClickText(text, m);
    }
    // Every index of a short text; of a long one, the edges of some of the
    // links found and a spread of others (each hit test walks back to the
    // line start, so testing every index would cost n² a run).
    QList<qsizetype> probes;
    if (n <= 256) {
        for (qsizetype i = 0; i < n; ++i)
            probes.append(i);
    } else {
        for (qsizetype i = 0; i < n; i += n / 16 + 1)
            probes.append(i);
        const qsizetype step = links.size() / 16 + 1;
        for (qsizetype k = 0; k < links.size(); k += step) {
            const TLinkMatch& m = links[k];
            for (qsizetype i : {m.start - 2, m.start - 1, m.start, m.end() - 1, m.end()})
                if (i >= 0 && i < n)
                    probes.append(i);
        }
    }
    for (qsizetype i : probes) {
        const TLinkMatch m = LinkScan::LinkAtIndex(text, i);
        if (!m.found())
            continue;
        const qsizetype from = IsBracketedLink(m.kind) ? m.start - 1 : m.start;
        if (from < 0 || i < from || i >= m.end() || m.end() > n)
            std::abort();
        if (LinkScan::ClickText(text, m).size() > qsizetype(LinkScan::MaxClickBody) &&
            IsBracketedLink(m.kind))
            std::abort();
        (void)LinkScan::ShowsHand(text, i);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    check(bytes);
    check(Cp932::toUnicode(bytes));
    return 0;
}
