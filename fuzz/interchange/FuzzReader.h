#pragma once

// What every interchange reader must hold to, whatever the bytes: a refused
// file says why and hands back nothing; an accepted branch is a tree (each
// parent before its children), within the limits, and goes into an outline
// whole.
#include "interchange/Branch.h"
#include "interchange/Readers.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace FuzzInterchange {

inline void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz interchange: %s\n", what);
        std::abort();
    }
}

// Pages go through QTextDocument, which wants an application.
inline void ensureApplication() {
    if (QGuiApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_interchange";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv); // lives for the whole run
}

template <class Reader>
int run(Reader read, const char* fileName, const uint8_t* data, size_t size) {
    ensureApplication();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Interchange::TReadResult r = read(QString::fromLatin1(fileName), bytes, {});
    if (!r.ok) {
        check(!r.error.isEmpty(), "refused without a message");
        check(r.error.contains(QString::fromLatin1(fileName)), "message names no file");
        return 0;
    }
    const auto& items = r.branch.items;
    check(int(items.size()) <= Interchange::MaxItems, "more items than allowed");
    for (size_t i = 0; i < items.size(); ++i)
        check(items[i].parent < int(i) && items[i].parent >= -1, "parent after its child");
    TOptionDesc settings;
    TOutline outline(&settings);
    Interchange::Insert(outline, r.branch);
    check(outline.count() == int(items.size()), "item count differs");
    check(outline.depth() <= Interchange::MaxDepth + 1, "deeper than allowed");
    return 0;
}

} // namespace FuzzInterchange
