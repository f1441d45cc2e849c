// Feeds arbitrary bytes to the RTF reader, both without and with a
// document, then writes the document and reads it back. Besides crashes it
// catches disagreement between the two reading paths and text lost by the
// writer.
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void ensureApplication() {
    if (QGuiApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_rtf";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv); // lives for the whole run
}

// Pictures that do not decode are shown by the plain reader only.
QString withoutObjects(QString s) {
    return s.remove(QChar(QChar::ObjectReplacementCharacter));
}

void fail(const char* what) {
    std::fprintf(stderr, "fuzz_rtf: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray rtf(reinterpret_cast<const char*>(data), qsizetype(size));
    Rtf::ReadResult plainResult;
    const QString plain = Rtf::plainText(rtf, &plainResult);
    if (!plainResult.ok && plainResult.error.isEmpty())
        fail("a failure without a message");

    ensureApplication();
    QTextDocument doc;
    const Rtf::ReadResult docResult = Rtf::load(rtf, doc);
    if (docResult.ok != plainResult.ok)
        fail("the two readers disagree on success");
    if (withoutObjects(doc.toPlainText()) != withoutObjects(plain))
        fail("the two readers disagree on the text");

    const QByteArray written = Rtf::write(doc);
    QTextDocument back;
    if (!Rtf::load(written, back).ok)
        fail("our own output does not read");
    if (withoutObjects(back.toPlainText()) != withoutObjects(doc.toPlainText()))
        fail("writing and reading changed the text");
    return 0;
}
