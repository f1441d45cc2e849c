#pragma once

#include <QWidget>

// The frame of the program's dialogs: a title and a close box. A dialog
// waits for an answer; minimising or maximising it only hides the question.
namespace DialogFrame {

inline constexpr Qt::WindowFlags Flags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

inline void apply(QWidget* dialog) {
    dialog->setWindowFlags(Flags);
}

} // namespace DialogFrame
