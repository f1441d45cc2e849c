#include "dialogs/FileDialog.h"

#include <QFileDialog>
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
} // namespace

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
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QStringList FileDialog::getOpenFileNames(QWidget* parent, const QString& caption,
                                         const QString& dir, const QString& filter) {
    Answer a;
    if (takeNext(caption, dir, filter, &a))
        return a.names;
    return QFileDialog::getOpenFileNames(parent, caption, dir, filter);
}

QString FileDialog::getSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter, QString* selectedFilter) {
    Answer a;
    if (takeNext(caption, dir, filter, &a)) {
        if (selectedFilter)
            *selectedFilter = a.filter;
        return a.names.value(0);
    }
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, selectedFilter);
}

QString FileDialog::getExistingDirectory(QWidget* parent, const QString& caption,
                                         const QString& dir) {
    Answer a;
    if (takeNext(caption, dir, QString(), &a))
        return a.names.value(0);
    return QFileDialog::getExistingDirectory(parent, caption, dir);
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
