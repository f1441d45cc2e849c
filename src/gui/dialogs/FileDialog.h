#pragma once

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
    static QString getSaveFileName(QWidget* parent, const QString& caption,
                                   const QString& dir = QString(),
                                   const QString& filter = QString(),
                                   QString* selectedFilter = nullptr);
    static QString getExistingDirectory(QWidget* parent, const QString& caption,
                                        const QString& dir = QString());

    static void setNextFileName(const QString& fileName);
    static void clearNextFileNames();
    // Caption of the last dialog asked for.
    static QString lastCaption();

private:
    static bool takeNext(const QString& caption, QString* result);
};
