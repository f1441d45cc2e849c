#include "common/ReplacingFile.h"

#include "common/FileError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace {

// The reason in the user's words. Qt at times reports a failed flush as
// "Unknown error" (the errno behind it is the truth), or a missing folder as
// nothing at all.
QString reasonFor(const QString& path, const QFileDevice& device, int err) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("保存先のフォルダ「%1」がありません。").arg(folder);
    if (err != 0)
        return FileError::SystemText(err);
    const QString text = FileError::Text(device);
    return text.isEmpty() ? QStringLiteral("原因の分からないエラーで書き込めませんでした。") : text;
}

} // namespace

bool WriteAll(QIODevice& device, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = device.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

TReplacingFile::TReplacingFile(const QString& path) : m_path(path) {}

TReplacingFile::~TReplacingFile() {
    if (m_save)
        m_save->cancelWriting();
}

bool TReplacingFile::WritesInPlace(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
}

bool TReplacingFile::open() {
    if (WritesInPlace(m_path)) {
        m_direct = std::make_unique<QFile>(m_path);
        if (!m_direct->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            m_error = FileError::Text(*m_direct);
            return false;
        }
        return true;
    }
    m_save = std::make_unique<QSaveFile>(m_path);
    errno = 0;
    // Unbuffered: a write that fails while Qt empties its buffer at commit()
    // is not seen by QSaveFile, which would then keep a cut file as done.
    if (!m_save->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_error = reasonFor(m_path, *m_save, errno);
        return false;
    }
    return true;
}

bool TReplacingFile::write(const QByteArray& bytes) {
    QFileDevice* device = m_save ? static_cast<QFileDevice*>(m_save.get()) : m_direct.get();
    if (!device) {
        m_error = QStringLiteral("ファイルが開かれていません");
        return false;
    }
    errno = 0;
    if (!WriteAll(*device, bytes)) {
        m_error = reasonFor(m_path, *device, errno);
        return false;
    }
    return true;
}

bool TReplacingFile::commit() {
    if (m_save) {
        if (m_save->error() != QFileDevice::NoError) {
            m_error = reasonFor(m_path, *m_save, 0);
            m_save->cancelWriting();
            m_save.reset();
            return false;
        }
        errno = 0;
        const bool ok = m_save->commit();
        if (!ok)
            m_error = reasonFor(m_path, *m_save, errno);
        m_save.reset();
        return ok;
    }
    if (!m_direct) {
        m_error = QStringLiteral("ファイルが開かれていません");
        return false;
    }
    m_direct->close();
    const bool ok = m_direct->error() == QFileDevice::NoError;
    if (!ok)
        m_error = FileError::Text(*m_direct);
    m_direct.reset();
    return ok;
}
