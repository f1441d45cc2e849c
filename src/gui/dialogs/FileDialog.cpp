#include "dialogs/FileDialog.h"

#include <QFileDialog>
#include <QList>

namespace {
QList<QString> g_next;
QString g_lastCaption;
} // namespace

bool FileDialog::takeNext(const QString& caption, QString* result) {
    g_lastCaption = caption;
    if (g_next.isEmpty())
        return false;
    *result = g_next.takeFirst();
    return true;
}

QString FileDialog::getOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter) {
    QString name;
    if (takeNext(caption, &name))
        return name;
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString FileDialog::getSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter, QString* selectedFilter) {
    QString name;
    if (takeNext(caption, &name))
        return name;
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, selectedFilter);
}

QString FileDialog::getExistingDirectory(QWidget* parent, const QString& caption,
                                         const QString& dir) {
    QString name;
    if (takeNext(caption, &name))
        return name;
    return QFileDialog::getExistingDirectory(parent, caption, dir);
}

void FileDialog::setNextFileName(const QString& fileName) {
    g_next.append(fileName);
}
void FileDialog::clearNextFileNames() {
    g_next.clear();
}
QString FileDialog::lastCaption() {
    return g_lastCaption;
}
