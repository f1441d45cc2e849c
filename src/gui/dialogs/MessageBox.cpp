#include "dialogs/MessageBox.h"

#include <QList>

namespace {
QList<MessageBox::Button> g_answers;
MessageBox::Button g_autoAnswer = QMessageBox::NoButton;
QString g_lastText;
int g_count = 0;
} // namespace

MessageBox::Button MessageBox::show(QMessageBox::Icon icon, QWidget* parent, const QString& title,
                                    const QString& text, Buttons buttons, Button defaultButton) {
    g_lastText = text;
    ++g_count;
    if (!g_answers.isEmpty())
        return g_answers.takeFirst();
    if (g_autoAnswer != QMessageBox::NoButton)
        return g_autoAnswer;
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    const int result = box.exec();
    return Button(result);
}

MessageBox::Button MessageBox::critical(QWidget* parent, const QString& title, const QString& text,
                                        Buttons buttons, Button defaultButton) {
    return show(QMessageBox::Critical, parent, title, text, buttons, defaultButton);
}

MessageBox::Button MessageBox::warning(QWidget* parent, const QString& title, const QString& text,
                                       Buttons buttons, Button defaultButton) {
    return show(QMessageBox::Warning, parent, title, text, buttons, defaultButton);
}

MessageBox::Button MessageBox::information(QWidget* parent, const QString& title,
                                           const QString& text, Buttons buttons,
                                           Button defaultButton) {
    return show(QMessageBox::Information, parent, title, text, buttons, defaultButton);
}

MessageBox::Button MessageBox::question(QWidget* parent, const QString& title, const QString& text,
                                        Buttons buttons, Button defaultButton) {
    return show(QMessageBox::Question, parent, title, text, buttons, defaultButton);
}

void MessageBox::setNextAnswer(Button button) {
    g_answers.append(button);
}
void MessageBox::setAutoAnswer(Button button) {
    g_autoAnswer = button;
}
void MessageBox::clearAnswers() {
    g_answers.clear();
    g_autoAnswer = QMessageBox::NoButton;
}
QString MessageBox::lastText() {
    return g_lastText;
}
int MessageBox::count() {
    return g_count;
}
