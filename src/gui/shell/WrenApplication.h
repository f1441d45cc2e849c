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

    // Loads Qt's own Japanese texts (file dialogs, standard buttons) from
    // folder, Qt's translations folder by default, whatever the locale: the
    // interface is Japanese. False when they are missing or unreadable; the
    // dialogs then carry our own labels.
    static bool LoadQtTranslations(const QString& folder = QString());
    // Empty, or what the start-up tells the user about missing translations.
    QString TranslationProblem() const { return m_translationProblem; }

private:
    QString m_translationProblem;
};
