#include "dialogs/MessageBox.h"

#include "common/FileError.h"
#include "dialogs/DialogFrame.h"

#include <QAbstractButton>

#include <QList>

namespace {
QList<MessageBox::Button> g_answers;
MessageBox::Button g_autoAnswer = QMessageBox::NoButton;
QString g_lastText;
int g_count = 0;
std::function<void()> g_beforeShow;
} // namespace

MessageBox::Button MessageBox::show(QMessageBox::Icon icon, QWidget* parent, const QString& title,
                                    const QString& text, Buttons buttons, Button defaultButton,
                                    const QList<QPair<Button, QString>>& captions) {
    g_lastText = text;
    ++g_count;
    if (g_beforeShow)
        g_beforeShow();
    if (!g_answers.isEmpty())
        return g_answers.takeFirst();
    if (g_autoAnswer != QMessageBox::NoButton)
        return g_autoAnswer;
    const std::unique_ptr<QMessageBox> box =
        create(icon, parent, title, text, buttons, defaultButton);
    for (const auto& c : captions)
        if (QAbstractButton* b = box->button(c.first))
            b->setText(c.second);
    return Button(box->exec());
}

QString MessageBox::buttonText(Button button) {
    switch (button) {
    case QMessageBox::Ok:
        return QStringLiteral("OK");
    case QMessageBox::Cancel:
        return QStringLiteral("キャンセル");
    case QMessageBox::Yes:
        return QStringLiteral("はい(&Y)");
    case QMessageBox::No:
        return QStringLiteral("いいえ(&N)");
    case QMessageBox::YesToAll:
        return QStringLiteral("すべてはい(&A)");
    case QMessageBox::NoToAll:
        return QStringLiteral("すべていいえ(&O)");
    case QMessageBox::Abort:
        return QStringLiteral("中止(&A)");
    case QMessageBox::Retry:
        return QStringLiteral("再試行(&R)");
    case QMessageBox::Ignore:
        return QStringLiteral("無視(&I)");
    case QMessageBox::Close:
        return QStringLiteral("閉じる(&C)");
    case QMessageBox::Save:
        return QStringLiteral("保存(&S)");
    case QMessageBox::Discard:
        return QStringLiteral("破棄(&D)");
    case QMessageBox::Apply:
        return QStringLiteral("適用(&A)");
    case QMessageBox::Help:
        return QStringLiteral("ヘルプ(&H)");
    default:
        return QString();
    }
}

std::unique_ptr<QMessageBox> MessageBox::create(QMessageBox::Icon icon, QWidget* parent,
                                                const QString& title, const QString& text,
                                                Buttons buttons, Button defaultButton) {
    QString details;
    const QString shown = FileError::WithoutDetails(text, &details);
    auto box = std::make_unique<QMessageBox>(icon, title, shown, buttons, parent);
    DialogFrame::apply(box.get());
    // Set even when Qt's translation is there: the boxes read the same on
    // every machine, and a missing translation cannot bring English back.
    for (QAbstractButton* b : box->buttons()) {
        const QString caption = buttonText(box->standardButton(b));
        if (!caption.isEmpty())
            b->setText(caption);
    }
    if (!details.isEmpty())
        box->setDetailedText(details);
    if (defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(defaultButton);
    return box;
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

MessageBox::Button MessageBox::ask(QWidget* parent, const QString& title, const QString& text,
                                   const QList<QPair<Button, QString>>& answers,
                                   Button defaultButton) {
    Buttons buttons;
    for (const auto& a : answers)
        buttons |= a.first;
    return show(QMessageBox::Question, parent, title, text, buttons, defaultButton, answers);
}

void MessageBox::setBeforeShow(std::function<void()> hook) {
    g_beforeShow = std::move(hook);
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
