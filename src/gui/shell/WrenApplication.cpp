#include "shell/WrenApplication.h"

#include "dialogs/MessageBox.h"

#include <exception>
#include <new>

TWrenApplication::TWrenApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("KESTON"));
    setApplicationName(QStringLiteral("WrenNOTE"));
}

void TWrenApplication::reportUnhandled(const QString& message) {
    MessageBox::critical(activeWindow(), QStringLiteral("WrenNOTE"), message);
}

bool TWrenApplication::notify(QObject* receiver, QEvent* event) {
    QString message;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("メモリが足りないため、操作を続けられませんでした。");
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("予期しないエラーが発生しました。");
    }
    reportUnhandled(message);
    return false;
}
