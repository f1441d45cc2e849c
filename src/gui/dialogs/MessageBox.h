#pragma once

#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>

// Message boxes of the program. Tests queue answers with setNextAnswer so that
// a question never blocks; every box shown is remembered for assertions.
class MessageBox {
public:
    using Button = QMessageBox::StandardButton;
    using Buttons = QMessageBox::StandardButtons;

    static Button critical(QWidget* parent, const QString& title, const QString& text,
                           Buttons buttons = QMessageBox::Ok,
                           Button defaultButton = QMessageBox::NoButton);
    static Button warning(QWidget* parent, const QString& title, const QString& text,
                          Buttons buttons = QMessageBox::Ok,
                          Button defaultButton = QMessageBox::NoButton);
    static Button information(QWidget* parent, const QString& title, const QString& text,
                              Buttons buttons = QMessageBox::Ok,
                              Button defaultButton = QMessageBox::NoButton);
    static Button question(QWidget* parent, const QString& title, const QString& text,
                           Buttons buttons = QMessageBox::Yes | QMessageBox::No,
                           Button defaultButton = QMessageBox::NoButton);

    // A question whose answers the caller names: each button with its own
    // caption, in the order given.
    static Button ask(QWidget* parent, const QString& title, const QString& text,
                      const QList<QPair<Button, QString>>& answers, Button defaultButton);

    // The next box is answered with button without being shown. Answers queue up.
    static void setNextAnswer(Button button);
    // Every following box is answered with button (NoButton: show them again).
    static void setAutoAnswer(Button button);
    static void clearAnswers();
    // The text of the last box (shown or answered), and how many there were.
    static QString lastText();
    static int count();

    // The box as it would be shown: Japanese button texts whatever Qt's own
    // translation says, and the system's details line moved into the details
    // part. Public for tests.
    static std::unique_ptr<QMessageBox> create(QMessageBox::Icon icon, QWidget* parent,
                                               const QString& title, const QString& text,
                                               Buttons buttons, Button defaultButton);
    // Runs before every box, answered or shown: the start-up hides its
    // splash window here so that no box opens behind it.
    static void setBeforeShow(std::function<void()> hook);

    // Our caption of a standard button ("はい", "キャンセル"); empty for none.
    static QString buttonText(Button button);

private:
    static Button show(QMessageBox::Icon icon, QWidget* parent, const QString& title,
                       const QString& text, Buttons buttons, Button defaultButton,
                       const QList<QPair<Button, QString>>& captions = {});
};
