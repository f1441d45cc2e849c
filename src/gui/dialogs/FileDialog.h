#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// File dialogs of the program. Tests queue the names a dialog "returns" with
// setNextFileName (an empty name stands for Cancel) so that nothing blocks.
class FileDialog {
public:
    static QString getOpenFileName(QWidget* parent, const QString& caption,
                                   const QString& dir = QString(),
                                   const QString& filter = QString());
    // Several files at once; empty when cancelled.
    static QStringList getOpenFileNames(QWidget* parent, const QString& caption,
                                        const QString& dir = QString(),
                                        const QString& filter = QString());
    static QString getSaveFileName(QWidget* parent, const QString& caption,
                                   const QString& dir = QString(),
                                   const QString& filter = QString(),
                                   QString* selectedFilter = nullptr);
    static QString getExistingDirectory(QWidget* parent, const QString& caption,
                                        const QString& dir = QString());

    // Our own Japanese labels on the dialogs, for when Qt's translation of
    // them could not be loaded.
    static void setOwnLabels(bool own);

    static void setNextFileName(const QString& fileName);
    // The answer of a save dialog whose filter matters: the name and the
    // filter the user left selected.
    static void setNextFileName(const QString& fileName, const QString& selectedFilter);
    // The answer of a multiple-selection dialog (empty: Cancel).
    static void setNextFileNames(const QStringList& fileNames);
    static void clearNextFileNames();
    // Caption, start path and filter of the last dialog asked for.
    static QString lastCaption();
    static QString lastDir();
    static QString lastFilter();

private:
    struct Answer;
    static QList<Answer>& queue();
    static bool takeNext(const QString& caption, const QString& dir, const QString& filter,
                         Answer* result);
};
