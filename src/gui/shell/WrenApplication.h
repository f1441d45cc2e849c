#pragma once

#include <QApplication>

// The application object. Anything a handler throws that nobody caught is
// shown in a message box instead of ending the program.
class TWrenApplication : public QApplication {
    Q_OBJECT
public:
    TWrenApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // How an escaped exception is shown; a critical message box by default.
    static void reportUnhandled(const QString& message);
};
