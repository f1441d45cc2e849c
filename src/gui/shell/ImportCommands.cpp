#include "shell/ImportCommands.h"

#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "doc/DocPaths.h"
#include "doc/WrenDoc.h"
#include "file/HierText.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString Caption = QStringLiteral("階層付テキストを読み込む");

QString dialogFolder(const TFormMain& form) {
    if (form.Doc && form.Doc->HasFileName())
        return FolderOf(form.Doc->FileName);
    // A documents folder that does not exist would be taken for a file name.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).exists() ? documents : QDir::homePath();
}

// A wait cursor for a long import, taken back however it ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

void ItemLoadWZFileClick(TFormMain& form) {
    const QString path = FileDialog::getOpenFileName(&form, Caption, dialogFolder(form),
                                                     QStringLiteral("WZ形式 Text files (*.txt)"));
    if (path.isEmpty())
        return;
    HierText::TImportResult r;
    {
        WaitCursor wait;
        r = HierText::ImportFile(path, *form.Outline, form.Options->HierSymbol);
    }
    if (r.missing)
        return;
    if (!r.ok) {
        MessageBox::warning(
            &form, Caption,
            QStringLiteral("「%1」を読み込めませんでした。何も追加していません。\n%2")
                .arg(QFileInfo(path).fileName(), r.error));
        return;
    }
    QString done = QStringLiteral("「%1」から %2 項目を読み込みました")
                       .arg(QFileInfo(path).fileName())
                       .arg(r.count);
    if (r.lossy)
        done += QStringLiteral("（保存できない文字を「?」に置き換えました）");
    form.ShowStatusMessage(done);
    form.Commands->updateStates();
}

void InstallImportCommands(TFormMain& form) {
    TFormMain* f = &form;
    form.Commands->setHandler(QStringLiteral("ItemLoadWZFileClick"),
                              [f](int) { ItemLoadWZFileClick(*f); });
}
