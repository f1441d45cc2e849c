#pragma once

#include <QMessageBox>
#include <QString>

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

    // The next box is answered with button without being shown. Answers queue up.
    static void setNextAnswer(Button button);
    // Every following box is answered with button (NoButton: show them again).
    static void setAutoAnswer(Button button);
    static void clearAnswers();
    // The text of the last box (shown or answered), and how many there were.
    static QString lastText();
    static int count();

private:
    static Button show(QMessageBox::Icon icon, QWidget* parent, const QString& title,
                       const QString& text, Buttons buttons, Button defaultButton);
};
