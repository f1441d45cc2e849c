#include "shell/WrenApplication.h"

#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>
#include <exception>
#include <new>

namespace {

// Qt's file dialog dates its files in the system locale, which Qt reads from
// the environment while the application object is made. It is told Japanese
// then; afterwards the environment is put back, so that programs started from
// ours keep the user's own, and the C library follows it again.
struct JapaneseTime {
    QByteArray all, time;
    bool hadAll = false, hadTime = false;

    char** set(char** argv) {
        hadAll = qEnvironmentVariableIsSet("LC_ALL");
        hadTime = qEnvironmentVariableIsSet("LC_TIME");
        all = qgetenv("LC_ALL");
        time = qgetenv("LC_TIME");
        qunsetenv("LC_ALL");
        qputenv("LC_TIME", "ja_JP.UTF-8");
        return argv;
    }
    void restore() {
        if (hadAll)
            qputenv("LC_ALL", all);
        if (hadTime)
            qputenv("LC_TIME", time);
        else
            qunsetenv("LC_TIME");
        std::setlocale(LC_ALL, "");
    }
} japaneseTime;

} // namespace

TWrenApplication::TWrenApplication(int& argc, char** argv)
    : QApplication(argc, japaneseTime.set(argv)) {
    setOrganizationName(QStringLiteral("KESTON"));
    setApplicationName(QStringLiteral("WrenNOTE"));
    // Dates and sizes in Qt's own dialogs read the Japanese way too.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    japaneseTime.restore();
    if (!LoadQtTranslations())
        m_translationProblem = QStringLiteral(
            "Qt の日本語訳が見つからないため、一部のダイアログが英語で表示されることがあります"
            "（パッケージ qt6-translations-l10n）。");
}

bool TWrenApplication::LoadQtTranslations(const QString& folder) {
    const QString where =
        folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    auto* translator = new QTranslator(QCoreApplication::instance());
    const bool loaded = translator->load(QLocale(QLocale::Japanese, QLocale::Japan),
                                         QStringLiteral("qtbase"), QStringLiteral("_"), where) &&
                        QCoreApplication::installTranslator(translator);
    if (!loaded)
        delete translator;
    FileDialog::setOwnLabels(!loaded);
    return loaded;
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
