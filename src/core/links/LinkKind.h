#pragma once

#include <array>
#include <cstddef>

// The kinds of link a page may hold, written as plain text. Bare kinds are
// found anywhere in the text; bracketed kinds only directly after a "<".
enum LinkKind : int {
    LinkNone = 0, // never matched
    LinkHttp = 1,
    LinkHttps = 2,
    LinkFtp = 3,
    LinkMailto = 4,
    LinkFile = 5,
    LinkNode = 6,
    LinkLine = 7,
    LinkNewWren = 8,
    LinkCmd = 9,
};

constexpr int LinkKindCount = 10;

// Prefix of each kind, matched exactly and case-sensitively.
constexpr std::array<const char*, LinkKindCount> LinkPrefixes = {
    "NONE", "http:", "https:", "ftp:", "mailto:", "file:", "node:", "line:", "newwren:", "cmd:",
};

constexpr int FirstBareKind = LinkHttp;
constexpr int LastBareKind = LinkMailto;
constexpr int FirstBracketedKind = LinkFile;
constexpr int LastBracketedKind = LinkCmd;

constexpr bool IsBareLink(int kind) {
    return kind >= FirstBareKind && kind <= LastBareKind;
}
constexpr bool IsBracketedLink(int kind) {
    return kind >= FirstBracketedKind && kind <= LastBracketedKind;
}
// Node and line links point inside the document and take their own colour
// (LinkColorInside); every other kind takes LinkColor.
constexpr bool IsInsideLink(int kind) {
    return kind == LinkNode || kind == LinkLine;
}

// Length of the kind's prefix in characters (all prefixes are ASCII).
constexpr int LinkPrefixLength(int kind) {
    int n = 0;
    if (kind < 0 || kind >= LinkKindCount)
        return 0;
    while (LinkPrefixes[std::size_t(kind)][n] != '\0')
        ++n;
    return n;
}

// UrlChars: what may continue a bare link. ASCII letters and digits and
// # & + - . / : = ? @ _ ~; everything else ends it, every code of 128 or
// above included (so every double-byte character and both of its bytes).
constexpr bool IsUrlChar(unsigned code) {
    if ((code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z') ||
        (code >= '0' && code <= '9'))
        return true;
    switch (code) {
    case '#':
    case '&':
    case '+':
    case '-':
    case '.':
    case '/':
    case ':':
    case '=':
    case '?':
    case '@':
    case '_':
    case '~':
        return true;
    default:
        return false;
    }
}

// A bracketed body runs over characters above 30 other than ">"; anything
// else (a line break included) ends it.
constexpr bool IsBodyChar(unsigned code) {
    return code > 30 && code != '>';
}
