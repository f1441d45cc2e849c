#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;

// "追加ファイルの指定" / "指定ファイルの編集": one line for a URL or a full
// path, with a browse button.
class TFormAddFile : public QDialog {
    Q_OBJECT
public:
    explicit TFormAddFile(QWidget* parent, const QString& text);
    QString text() const;
    QLineEdit* Edit1 = nullptr;

    // Shows the dialog modally with text; true on OK with the edited text
    // in text. Replaceable for tests (nothing then blocks).
    static std::function<bool(QWidget* parent, QString& text)> Ask;

private:
    void browse();
};

// Every component of path in the file system's own spelling; a path that
// does not exist comes back without a final separator.
QString LongPathName(const QString& path);
