#include "dialogs/FileDialog.h"

#include "dialogs/DialogFrame.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QList>

struct FileDialog::Answer {
    QStringList names; // none: Cancel
    QString filter;
};

QList<FileDialog::Answer>& FileDialog::queue() {
    static QList<Answer> next;
    return next;
}

namespace {
QString g_lastCaption;
QString g_lastDir;
QString g_lastFilter;
bool g_ownLabels = false;

// A start path may name a file to preselect in its folder.
void placeAt(QFileDialog& dialog, const QString& dir) {
    if (dir.isEmpty())
        return;
    const QFileInfo info(dir);
    if (info.isDir()) {
        dialog.setDirectory(dir);
        return;
    }
    dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
}

bool run(QFileDialog& dialog, QFileDialog::AcceptMode mode) {
    DialogFrame::apply(&dialog);
    dialog.setAcceptMode(mode);
    if (g_ownLabels) {
        dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("場所:"));
        dialog.setLabelText(QFileDialog::FileName, QStringLiteral("ファイル名:"));
        dialog.setLabelText(QFileDialog::FileType, QStringLiteral("ファイルの種類:"));
        dialog.setLabelText(QFileDialog::Accept, mode == QFileDialog::AcceptSave
                                                     ? QStringLiteral("保存(&S)")
                                                     : QStringLiteral("開く(&O)"));
        dialog.setLabelText(QFileDialog::Reject, QStringLiteral("キャンセル"));
    }
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

void FileDialog::setOwnLabels(bool own) {
    g_ownLabels = own;
}

bool FileDialog::takeNext(const QString& caption, const QString& dir, const QString& filter,
                          Answer* result) {
    g_lastCaption = caption;
    g_lastDir = dir;
    g_lastFilter = filter;
    if (queue().isEmpty())
        return false;
    *result = queue().takeFirst();
    return true;
}

QString FileDialog::getOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter) {
    Answer a;
    if (takeNext(caption, dir, filter, &a))
        return a.names.value(0);
    QFileDialog dialog(parent, caption, QString(), filter);
    placeAt(dialog, dir);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return run(dialog, QFileDialog::AcceptOpen) ? dialog.selectedFiles().value(0) : QString();
}

QStringList FileDialog::getOpenFileNames(QWidget* parent, const QString& caption,
                                         const QString& dir, const QString& filter) {
    Answer a;
    if (takeNext(caption, dir, filter, &a))
        return a.names;
    QFileDialog dialog(parent, caption, QString(), filter);
    placeAt(dialog, dir);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    return run(dialog, QFileDialog::AcceptOpen) ? dialog.selectedFiles() : QStringList();
}

QString FileDialog::getSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter, QString* selectedFilter) {
    Answer a;
    if (takeNext(caption, dir, filter, &a)) {
        if (selectedFilter)
            *selectedFilter = a.filter;
        return a.names.value(0);
    }
    QFileDialog dialog(parent, caption, QString(), filter);
    placeAt(dialog, dir);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (selectedFilter && !selectedFilter->isEmpty())
        dialog.selectNameFilter(*selectedFilter);
    if (!run(dialog, QFileDialog::AcceptSave))
        return QString();
    if (selectedFilter)
        *selectedFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().value(0);
}

QString FileDialog::getExistingDirectory(QWidget* parent, const QString& caption,
                                         const QString& dir) {
    Answer a;
    if (takeNext(caption, dir, QString(), &a))
        return a.names.value(0);
    QFileDialog dialog(parent, caption, dir);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return run(dialog, QFileDialog::AcceptOpen) ? dialog.selectedFiles().value(0) : QString();
}

void FileDialog::setNextFileName(const QString& fileName) {
    setNextFileName(fileName, QString());
}
void FileDialog::setNextFileName(const QString& fileName, const QString& selectedFilter) {
    Answer a;
    if (!fileName.isEmpty())
        a.names << fileName;
    a.filter = selectedFilter;
    queue().append(a);
}
void FileDialog::setNextFileNames(const QStringList& fileNames) {
    queue().append(Answer{fileNames, QString()});
}
void FileDialog::clearNextFileNames() {
    queue().clear();
}
QString FileDialog::lastCaption() {
    return g_lastCaption;
}
QString FileDialog::lastDir() {
    return g_lastDir;
}
QString FileDialog::lastFilter() {
    return g_lastFilter;
}
