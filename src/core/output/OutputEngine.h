#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <stdexcept>

class TOptionDesc;
class TOutline;
class TOutlineNode;

// An export that could not read its template or write its destination. The
// message is shown to the user as it stands.
class EOutputError : public std::runtime_error {
public:
    explicit EOutputError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

    static QString readMessage(const QString& path, const QString& reason);
    static QString writeMessage(const QString& path, const QString& reason);

private:
    QString m_message;
};

// How far an export has got; any member may be left empty.
struct TOutputProgress {
    // At the start: the window caption and the number of items to write.
    std::function<void(const QString& caption, int maximum)> started;
    // Before each item: its 1-based position and the maximum ("3 / 10").
    std::function<void(int position, int maximum)> itemStarting;
    // After each written item.
    std::function<void()> itemWritten;
};

enum class TTemplateKind { Text, Rtf };

namespace OutputEngine {

// ".rtf" in any letter case is an RTF template; anything else is text.
TTemplateKind KindOf(const QString& templatePath);

// The progress window's caption for a destination.
QString ProgressCaption(const QString& destination, TTemplateKind kind);

// The name the save dialog proposes: for a subtree its top item's title with
// each of * , / : ; < > ? \ | ~ made "_" (double-byte characters stay whole),
// for the whole file the document's name without extension ("名称未設定"
// when it has none); then ".txt" or ".rtf".
QString ProposedFileName(const QString& documentPath, const TOutlineNode* root, TTemplateKind kind);

// Items an export announces as its maximum: the subtree's items outside the
// trash, or every item of the outline (trash included) when root is none.
int ItemCount(const TOutline& outline, TOutlineNode* root);

// The items an export writes, in order: the subtree of root, or every
// top-level item's subtree in turn when root is none; the trash and
// everything in it are passed over. walkRoot is the subtree's top.
void Walk(const TOutline& outline, TOutlineNode* root,
          const std::function<void(TOutlineNode* node, TOutlineNode* walkRoot)>& visit);

// The whole file; throws EOutputError naming the file and the reason.
QByteArray ReadTemplateFile(const QString& path);

// Lines as a text file holds them: CR LF, LF or CR end a line; a last line
// without an ending counts, an ending at the very end adds no empty line.
QList<QByteArray> SplitLines(const QByteArray& text);

// A text template, read once per export and filled once per item.
class TTextTemplate {
public:
    explicit TTextTemplate(const QByteArray& templateBytes);
    // The item's output: lines, each ended by CR LF (cp932).
    QByteArray Fill(TOutlineNode* node, TOutlineNode* walkRoot, const TOptionDesc* settings) const;

private:
    QByteArray m_text;
};

} // namespace OutputEngine

// Writes the subtree of root (or the whole outline when root is none) into
// destination through the text template at templatePath. Nothing is written
// where destination points unless the whole export succeeds. Throws EOutputError.
void ExportText(TOutline& outline, TOutlineNode* root, const QString& destination,
                const QString& templatePath, const TOutputProgress* progress = nullptr);
