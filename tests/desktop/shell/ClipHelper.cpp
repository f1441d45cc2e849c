// A second X client for the desktop tests. "TEXT": puts TEXT on the
// clipboard; "--grab VK MODS": holds that hot key. Says "ready" when done and
// lives until killed (or a minute at most).
#include "platform/HotKey.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    THotKey key;
    if (argc == 4 && std::strcmp(argv[1], "--grab") == 0) {
        if (!key.registerKey(1, uint16_t(std::atoi(argv[2])), uint16_t(std::atoi(argv[3]))))
            return 3;
    } else if (argc == 2) {
        QGuiApplication::clipboard()->setText(QString::fromUtf8(argv[1]));
    } else {
        return 2;
    }
    // The X server knows the new owner once the request is through.
    QTimer::singleShot(200, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    return app.exec();
}
