#include "editor/PageFileCommands.h"

#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "doc/DocPaths.h"
#include "doc/SafeFile.h"
#include "doc/WrenDoc.h"
#include "file/BoundedFile.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

const QString SaveCaption = QStringLiteral("現在のページを保存");
const QString InsertCaption = QStringLiteral("ファイルの内容を挿入");
const QString PrintCaption = QStringLiteral("現在のページを印刷");
const QString TextFilter = QStringLiteral("Plain Text files (*.txt)");
const QString RtfFilter = QStringLiteral("Rich Text Format files (*.rtf)");

[[noreturn]] void refuse(const QString& text, const QString& path) {
    throw EReadError(text.arg(path));
}

[[noreturn]] void refuseTooLarge(const QString& path, qint64 size) {
    throw EReadError(QStringLiteral("「%1」は大きすぎます（%2 バイト）。挿入できるファイルは 64 "
                                    "MiB までです。")
                         .arg(path)
                         .arg(size));
}

const QString NotRegular = QStringLiteral(
    "「%1」は通常のファイルではありません（デバイスやパイプなど）。挿入できません。");

QString withUnixBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// Reads a regular file of at most the limit, never waiting on a pipe or device.
QByteArray readRegularFile(const QString& path, bool* missing) {
    const BoundedFile::Result r = BoundedFile::Read(path, TPageFileCommands::MaxInsertSize);
    switch (r.failure) {
    case BoundedFile::Failure::None:
        break;
    case BoundedFile::Failure::Missing:
        *missing = true;
        return QByteArray();
    case BoundedFile::Failure::NotRegular:
        refuse(NotRegular, path);
    case BoundedFile::Failure::TooLarge:
        refuseTooLarge(path, r.size);
    case BoundedFile::Failure::OpenFailed:
        throw EReadError(QStringLiteral("「%1」を開けません。\n%2").arg(path, r.reason));
    case BoundedFile::Failure::ReadFailed:
        throw EReadError(QStringLiteral("「%1」を読み込めません。\n%2").arg(path, r.reason));
    }
    return r.bytes;
}

} // namespace

std::function<bool(QPrinter&, QWidget*)> TPageFileCommands::ExecPrintDialog = [](QPrinter& printer,
                                                                                 QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("印刷"));
    return dialog.exec() == QDialog::Accepted;
};

std::function<bool(QPrinter&, QWidget*)> TPageFileCommands::ExecPageSetupDialog =
    [](QPrinter& printer, QWidget* parent) {
        QPageSetupDialog dialog(&printer, parent);
        dialog.setWindowTitle(QStringLiteral("用紙設定"));
        return dialog.exec() == QDialog::Accepted;
    };

TPageFileCommands::TPageFileCommands(TFormMain& form) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("PageFileCommands"));
    TCommandTable& c = *m_form.Commands;
    c.setHandler(QStringLiteral("ItemSavePageClick"), [this](int) { ItemSavePageClick(); });
    c.setHandler(QStringLiteral("ItemLoadFileContentClick"),
                 [this](int) { ItemLoadFileContentClick(); });
    c.setHandler(QStringLiteral("ItemPrintClick"), [this](int) { ItemPrintClick(); });
    c.setHandler(QStringLiteral("ItemPrinterSetUpClick"), [this](int) { ItemPrinterSetUpClick(); });
    // Without an item nothing would keep what was inserted.
    c.addStateUpdater([this] {
        m_form.Commands->setCommandEnabled(QStringLiteral("ItemLoadFileContent"),
                                           m_form.CurrentItem != nullptr);
    });
}

TPageFileCommands::~TPageFileCommands() = default;

TPageFileCommands* TPageFileCommands::of(TFormMain& form) {
    return form.findChild<TPageFileCommands*>(QStringLiteral("PageFileCommands"),
                                              Qt::FindDirectChildrenOnly);
}

QString TPageFileCommands::dialogFolder() const {
    if (m_form.Doc && m_form.Doc->HasFileName())
        return FolderOf(m_form.Doc->FileName);
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QPrinter& TPageFileCommands::printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // With no printer installed the page can still go to a PDF file.
        if (QPrinterInfo::availablePrinterNames().isEmpty())
            m_printer->setOutputFormat(QPrinter::PdfFormat);
    }
    return *m_printer;
}

void TPageFileCommands::WritePage(const QTextEdit& edit, const QString& path, bool rtf,
                                  bool* lossy) {
    if (lossy)
        *lossy = false;
    QByteArray bytes;
    if (rtf) {
        bytes = Rtf::write(*edit.document());
    } else {
        QString text = edit.document()->toPlainText();
        text.replace(QChar::LineSeparator, QLatin1Char('\n'));
        text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        text.replace(QChar::Nbsp, QLatin1Char(' '));
        // Pictures have no text form.
        text.remove(QChar::ObjectReplacementCharacter);
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        bytes = Cp932::fromUnicode(text, lossy);
    }
    SafeFile::ReplaceAtomically(path, bytes);
}

void TPageFileCommands::ItemSavePageClick() {
    const QString title =
        m_form.CurrentItem ? Cp932::toUnicode(m_form.CurrentItem->Title) : QString();
    QString filter = TextFilter;
    const QString chosen = FileDialog::getSaveFileName(
        &m_form, SaveCaption, dialogFolder() + QLatin1Char('/') + SafeFileName(title),
        TextFilter + QStringLiteral(";;") + RtfFilter, &filter);
    if (chosen.isEmpty())
        return;
    const bool rtf = filter == RtfFilter;
    QString target = chosen;
    if (target.size() >= 4 && target.at(target.size() - 4) == QLatin1Char('.'))
        target.chop(4);
    target += rtf ? QStringLiteral(".rtf") : QStringLiteral(".txt");
    // The dialog asked about the name it returned, not about this one.
    if (target != chosen && QFileInfo::exists(target) &&
        MessageBox::question(
            &m_form, SaveCaption,
            QStringLiteral("「%1」は既に存在します。\n上書きしますか?").arg(target)) !=
            QMessageBox::Yes)
        return;
    bool lossy = false;
    try {
        WritePage(*m_form.RichEdit, target, rtf, &lossy);
    } catch (const EFileError& e) {
        MessageBox::critical(&m_form, SaveCaption,
                             QStringLiteral("ページを保存できませんでした。\n") + e.message());
        return;
    }
    m_form.ShowStatusMessage(
        lossy ? QStringLiteral("ページを保存しました（保存できない文字を「?」に置き換えました）")
              : QStringLiteral("ページを保存しました"));
}

std::optional<TPageInsert> TPageFileCommands::ReadInsert(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    // Looked at before opening: opening a device can have effects of its own.
    if (info.isDir())
        refuse(QStringLiteral("「%1」はフォルダです。ファイルの内容として挿入できません。"), path);
    if (!info.isFile())
        refuse(NotRegular, path);
    if (info.size() > MaxInsertSize)
        refuseTooLarge(path, info.size());
    bool missing = false;
    const QByteArray bytes = readRegularFile(path, &missing);
    if (missing)
        return std::nullopt;

    TPageInsert out;
    if (ExtOf(path).toLower() == QLatin1String(".rtf")) {
        if (!Rtf::isRtf(bytes))
            refuse(QStringLiteral("「%1」は RTF 形式のファイルではありません。"), path);
        // Read once aside, so that damaged RTF never leaves half of itself in the page.
        QTextDocument scratch;
        const Rtf::ReadResult r = Rtf::load(bytes, scratch);
        if (!r.ok)
            throw EReadError(
                QStringLiteral("「%1」の RTF を読み込めません。\n%2").arg(path, r.error));
        out.rich = true;
        out.rtf = bytes;
        return out;
    }
    if (bytes.contains('\0'))
        refuse(QStringLiteral("「%1」はテキストファイルではありません（NUL "
                              "文字を含みます）。挿入できません。"),
               path);
    static const QByteArray Utf8Bom("\xEF\xBB\xBF");
    if (bytes.startsWith(Utf8Bom)) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(
            QByteArrayView(bytes.constData() + Utf8Bom.size(), bytes.size() - Utf8Bom.size()));
        if (decoder.hasError())
            refuse(QStringLiteral("「%1」は UTF-8 のテキストとして読めません。"), path);
        out.text = withUnixBreaks(text);
    } else {
        out.text = withUnixBreaks(Cp932::toUnicode(bytes));
    }
    return out;
}

bool TPageFileCommands::InsertAtCaret(QTextEdit& edit, const std::vector<TPageInsert>& contents) {
    bool rich = false;
    QTextCursor cursor = edit.textCursor();
    cursor.beginEditBlock();
    for (const TPageInsert& c : contents) {
        if (c.rich) {
            if (cursor.hasSelection())
                cursor.removeSelectedText();
            Rtf::readInto(c.rtf, cursor);
            rich = true;
        } else {
            cursor.insertText(c.text);
        }
    }
    cursor.endEditBlock();
    edit.setTextCursor(cursor);
    return rich;
}

void TPageFileCommands::ItemLoadFileContentClick() {
    if (!m_form.CurrentItem)
        return;
    const QStringList files = FileDialog::getOpenFileNames(
        &m_form, InsertCaption, dialogFolder(),
        QStringLiteral(
            "テキストファイル (*.txt);;リッチテキスト形式 (*.rtf);;すべてのファイル (*)"));
    if (files.isEmpty())
        return;
    // Every file is read before any goes in: one bad file leaves the page as it was.
    std::vector<TPageInsert> contents;
    try {
        for (const QString& f : files)
            if (std::optional<TPageInsert> c = ReadInsert(f))
                contents.push_back(std::move(*c));
    } catch (const EReadError& e) {
        MessageBox::warning(&m_form, InsertCaption, e.message());
        return;
    }
    if (contents.empty())
        return;
    if (InsertAtCaret(*m_form.RichEdit, contents))
        m_form.SetPageRich(true);
    m_form.RichEdit->setFocus();
}

void TPageFileCommands::ItemPrintClick() {
    QPrinter& p = printer();
    const QString title = m_form.EditTitle->text();
    if (p.outputFormat() == QPrinter::PdfFormat &&
        QPrinterInfo::availablePrinterNames().isEmpty()) {
        const QString name = SafeFileName(title.isEmpty() ? QStringLiteral("ページ") : title);
        p.setOutputFileName(dialogFolder() + QLatin1Char('/') + name + QStringLiteral(".pdf"));
    }
    p.setDocName(title);
    if (!ExecPrintDialog(p, &m_form))
        return;
    m_form.RichEdit->document()->print(&p);
    if (p.printerState() == QPrinter::Error)
        MessageBox::critical(
            &m_form, PrintCaption,
            p.outputFileName().isEmpty()
                ? QStringLiteral("印刷できませんでした。")
                : QStringLiteral("「%1」に印刷できませんでした。").arg(p.outputFileName()));
}

void TPageFileCommands::ItemPrinterSetUpClick() {
    ExecPageSetupDialog(printer(), &m_form);
}

void InstallPageFileCommands(TFormMain& form) {
    new TPageFileCommands(form);
}
