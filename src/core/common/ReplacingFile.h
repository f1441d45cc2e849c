#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QFile;
class QIODevice;
class QSaveFile;

// Writes all of bytes to device; false when any write fails or comes up short.
bool WriteAll(QIODevice& device, const QByteArray& bytes);

// Writes a file so that a failure leaves whatever was there before: the bytes
// go to a temporary file that replaces the target only on commit(). An
// existing device or pipe is written in place instead, since renaming a file
// over it would replace the device itself.
class TReplacingFile {
public:
    explicit TReplacingFile(const QString& path);
    // Whether path names an existing device or pipe, which is written in place.
    static bool WritesInPlace(const QString& path);
    ~TReplacingFile(); // without commit() the target stays as it was
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    bool open();
    // All the bytes or false.
    bool write(const QByteArray& bytes);
    bool commit();
    QString errorString() const { return m_error; }

private:
    QString m_path;
    std::unique_ptr<QSaveFile> m_save;
    std::unique_ptr<QFile> m_direct;
    QString m_error;
};
