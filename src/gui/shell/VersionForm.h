#pragma once

#include <QDialog>

// "バージョン情報": the splash window's pictures and version text.
class TFormVersion : public QDialog {
    Q_OBJECT
public:
    explicit TFormVersion(QWidget* parent = nullptr);
};
