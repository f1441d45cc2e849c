#include "interchange/InterchangeCommands.h"

#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "doc/DocPaths.h"
#include "doc/WrenDoc.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "interchange/Branch.h"
#include "interchange/Export.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "shell/CommandTable.h"
#include "shell/LoadProgress.h"
#include "shell/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString ImportCaption = QStringLiteral("他のアウトラインを読み込む");
const QString ExportCaption = QStringLiteral("書き出す");

const char* const ImportFilters[] = {
    "OPML (*.opml *.xml)",
    "Markdown (*.md *.markdown *.txt)",
    "CherryTree (*.ctd *.ctb *.ctz *.ctx)",
    "TreeLine (*.trln)",
};

// A wait cursor and, when the work takes a while, a window that tells how
// far it got and offers to stop it.
class TWorkProgress {
public:
    TWorkProgress(QWidget* parent, const QString& label)
        : m_window(parent, label, QStringLiteral("InterchangeProgress"),
                   TInterchangeCommands::ProgressAfterMs) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TWorkProgress() { QApplication::restoreOverrideCursor(); }
    TWorkProgress(const TWorkProgress&) = delete;
    TWorkProgress& operator=(const TWorkProgress&) = delete;

    bool step(qint64 done, qint64 total) { return m_window.step(done, total); }

private:
    TLoadProgress m_window;
};

} // namespace

int TInterchangeCommands::ProgressAfterMs = 400;

TInterchangeCommands::TInterchangeCommands(TFormMain& form) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("InterchangeCommands"));
}

TInterchangeCommands* TInterchangeCommands::of(TFormMain& form) {
    return form.findChild<TInterchangeCommands*>(QStringLiteral("InterchangeCommands"),
                                                 Qt::FindDirectChildrenOnly);
}

QString TInterchangeCommands::dialogFolder() const {
    if (m_form.Doc && m_form.Doc->HasFileName())
        return FolderOf(m_form.Doc->FileName);
    // A documents folder that does not exist would be taken for a file name.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).exists() ? documents : QDir::homePath();
}

void TInterchangeCommands::ItemImportClick(int tag) {
    QString filter = QString::fromLatin1(ImportFilters[qBound(0, tag, 3)]);
    filter += QStringLiteral(";;") + Interchange::OpenFilters();
    const QString path =
        FileDialog::getOpenFileName(&m_form, ImportCaption, dialogFolder(), filter);
    if (path.isEmpty())
        return;
    const QString name = QFileInfo(path).fileName();
    Interchange::TReadResult r;
    {
        TWorkProgress progress(&m_form, QStringLiteral("「%1」を読み込んでいます…").arg(name));
        r = Interchange::ReadFile(
            path, [&progress](qint64 done, qint64 total) { return progress.step(done, total); });
    }
    if (r.cancelled) {
        m_form.ShowNotice(
            QStringLiteral("「%1」の読み込みを中止しました。何も追加していません").arg(name));
        return;
    }
    if (!r.ok) {
        MessageBox::warning(
            &m_form, ImportCaption,
            QStringLiteral("「%1」を読み込めませんでした。何も追加していません。\n%2")
                .arg(name, r.error));
        return;
    }
    bool lossy = r.branch.lossy;
    const QByteArray title = Interchange::TitleBytes(QFileInfo(path).completeBaseName(), &lossy);
    const Interchange::TBranch branch = Interchange::Wrapped(r.branch, title);
    m_form.StorePage();
    TOutlineNode* top = Interchange::Insert(*m_form.Outline, branch);
    if (top)
        m_form.GoToItem(top->item());
    QString done =
        QStringLiteral("「%1」から %2 項目を読み込みました").arg(name).arg(r.branch.items.size());
    if (lossy)
        done += QStringLiteral("（項目名やリンクの保存できない文字を「?」に置き換えました）");
    if (r.branch.droppedPictures > 0)
        done += QStringLiteral("（読めない画像 %1 個を省きました）").arg(r.branch.droppedPictures);
    m_form.ShowNotice(done);
    m_form.Commands->updateStates();
}

void TInterchangeCommands::ItemExportClick(int tag) {
    const Interchange::TExportFormat format = tag == 1   ? Interchange::TExportFormat::Markdown
                                              : tag == 2 ? Interchange::TExportFormat::Html
                                                         : Interchange::TExportFormat::Opml;
    // What is being typed belongs in what is written.
    m_form.StorePage();
    Interchange::TExportOptions options;
    const bool branchOnly = m_form.Commands->isChecked(QStringLiteral("ItemExportSelection"));
    QString baseName;
    if (branchOnly) {
        options.root = m_form.Outline->selectedNode();
        if (!options.root) {
            MessageBox::information(&m_form, ExportCaption,
                                    QStringLiteral("書き出す項目を選んでください。"));
            return;
        }
        baseName = Cp932::toUnicode(options.root->item()->Title);
    } else if (m_form.Doc && m_form.Doc->HasFileName()) {
        baseName = QFileInfo(m_form.Doc->FileName).completeBaseName();
    } else {
        baseName = QStringLiteral("無題");
    }
    options.title = baseName;
    if (m_form.Doc && m_form.Doc->HasFileName())
        options.documentFolder = FolderOf(m_form.Doc->FileName);
    const QString suffix = Interchange::DefaultSuffix(format);
    QString path = FileDialog::getSaveFileName(
        &m_form, ExportCaption,
        dialogFolder() + QLatin1Char('/') + SafeFileName(baseName) + QLatin1Char('.') + suffix,
        Interchange::SaveFilter(format));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + suffix;
    const QString name = QFileInfo(path).fileName();
    const bool existed = QFileInfo::exists(path);
    Interchange::TExportResult result;
    bool written = false;
    {
        TWorkProgress progress(&m_form, QStringLiteral("「%1」に書き出しています…").arg(name));
        options.progress = [&progress](qint64 done, qint64 total) {
            return progress.step(done, total);
        };
        written = Interchange::ExportFile(path, format, *m_form.Outline, options, &result);
    }
    if (result.cancelled) {
        m_form.ShowNotice(existed ? QStringLiteral("「%1」への書き出しを中止しました。"
                                                   "元のファイルはそのままです")
                                        .arg(name)
                                  : QStringLiteral("「%1」への書き出しを中止しました。"
                                                   "ファイルは作っていません")
                                        .arg(name));
        return;
    }
    if (!written) {
        MessageBox::warning(
            &m_form, ExportCaption,
            QStringLiteral("「%1」に書き出せませんでした。\n%2").arg(name, result.error));
        return;
    }
    m_form.ShowNotice(
        QStringLiteral("「%1」に %2 項目を書き出しました").arg(name).arg(result.count));
}

void InstallInterchangeCommands(TFormMain& form) {
    auto* commands = new TInterchangeCommands(form);
    form.Commands->setHandler(QStringLiteral("ItemImportClick"),
                              [commands](int tag) { commands->ItemImportClick(tag); });
    form.Commands->setHandler(QStringLiteral("ItemExportClick"),
                              [commands](int tag) { commands->ItemExportClick(tag); });
    // A check mark alone: the action toggles it, the export reads it.
    form.Commands->setHandler(QStringLiteral("ItemExportSelection"), [](int) {});
}
