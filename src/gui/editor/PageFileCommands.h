#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPrinter;
class QTextEdit;
class QWidget;
class TFormMain;

// A file's content ready to go into the page: RTF or plain text.
struct TPageInsert {
    bool rich = false;
    QByteArray rtf; // when rich
    QString text;   // otherwise, lines broken by '\n'
};

// The page's file and print commands: save the page as text or RTF, insert
// files at the caret, print and page setup. Created by InstallPageFileCommands
// as a child of the window.
class TPageFileCommands : public QObject {
    Q_OBJECT
public:
    explicit TPageFileCommands(TFormMain& form);
    ~TPageFileCommands() override;

    static TPageFileCommands* of(TFormMain& form);

    void ItemSavePageClick();
    void ItemLoadFileContentClick();
    void ItemPrintClick();
    void ItemPrinterSetUpClick();

    // The printer the setup and print dialogs share.
    QPrinter& printer();

    // The largest file inserted into a page.
    static constexpr qint64 MaxInsertSize = qint64(64) << 20;

    // Reads a file for insertion: ".rtf" as RTF, others as cp932 text, or
    // UTF-8 after a byte-order mark. Nothing for a missing file. Throws
    // EReadError with a message for the user when the file cannot go in
    // (not a regular file, too large, not text, damaged RTF, unreadable).
    static std::optional<TPageInsert> ReadInsert(const QString& path);
    // Inserts the contents in order at the caret, replacing the selection,
    // as one undo step. True when any of them was rich.
    static bool InsertAtCaret(QTextEdit& edit, const std::vector<TPageInsert>& contents);
    // Writes the page as cp932 text with CR LF, or as RTF; the target is
    // replaced only by complete content. Throws EFileError. lossy is set when
    // characters cp932 lacks became "?".
    static void WritePage(const QTextEdit& edit, const QString& path, bool rtf,
                          bool* lossy = nullptr);

    // The dialogs, replaceable so that tests never block: true for OK.
    static std::function<bool(QPrinter& printer, QWidget* parent)> ExecPrintDialog;
    static std::function<bool(QPrinter& printer, QWidget* parent)> ExecPageSetupDialog;

private:
    QString dialogFolder() const;

    TFormMain& m_form;
    std::unique_ptr<QPrinter> m_printer;
};

// Installs the handlers of the page's file and print commands.
void InstallPageFileCommands(TFormMain& form);
