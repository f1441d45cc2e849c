#include "CliCommand.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>

namespace {

int usage(FILE* out) {
    std::fputs("usage: wrennote-cli COMMAND [ARGS...]\n\ncommands:\n", out);
    auto commands = CliCommands();
    std::sort(commands.begin(), commands.end(),
              [](const TCliCommand& a, const TCliCommand& b) { return a.Name < b.Name; });
    for (const TCliCommand& c : commands)
        std::fprintf(out, "  %s\n", c.Usage.toUtf8().constData());
    return out == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    bool needsGui = false;
    if (argc > 1)
        for (const TCliCommand& c : CliCommands())
            if (c.Name == QLatin1String(argv[1]))
                needsGui = c.NeedsGui;
    std::unique_ptr<QCoreApplication> app;
    if (needsGui) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usage(stderr);
    const QString name = args.takeFirst();
    if (name == QLatin1String("help") || name == QLatin1String("--help") ||
        name == QLatin1String("-h"))
        return usage(stdout);
    for (const TCliCommand& c : CliCommands()) {
        if (c.Name != name)
            continue;
        try {
            const int code = c.Run(args);
            // Output that never arrived is a failure, not a success.
            if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
                std::fputs("standard output: write failed\n", stderr);
                return code == 0 ? 1 : code;
            }
            return code;
        } catch (const TCliUsageError& e) {
            std::fprintf(stderr, "%s\nusage: wrennote-cli %s\n", e.Message.toUtf8().constData(),
                         c.Usage.toUtf8().constData());
            return 2;
        } catch (const std::bad_alloc&) {
            std::fflush(stdout);
            std::fputs("メモリが足りないため、処理を続けられませんでした。\n", stderr);
            return 1;
        } catch (const std::exception& e) {
            std::fflush(stdout);
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    std::fprintf(stderr, "unknown command: %s\n", name.toUtf8().constData());
    return usage(stderr);
}
