#include "common/ReplacingFile.h"

#include "common/FileError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    if (!m_save->open(QIODevice::WriteOnly)) {
        m_error = FileError::Text(*m_save);
        return false;
    }
    return true;
}

bool TReplacingFile::write(const QByteArray& bytes) {
    QFileDevice* device = m_save ? static_cast<QFileDevice*>(m_save.get()) : m_direct.get();
    if (!device) {
        m_error = QStringLiteral("not open");
        return false;
    }
    if (!WriteAll(*device, bytes)) {
        m_error = FileError::Text(*device);
        return false;
    }
    return true;
}

bool TReplacingFile::commit() {
    if (m_save) {
        const bool ok = m_save->commit();
        if (!ok)
            m_error = FileError::Text(*m_save);
        m_save.reset();
        return ok;
    }
    if (!m_direct) {
        m_error = QStringLiteral("not open");
        return false;
    }
    m_direct->close();
    const bool ok = m_direct->error() == QFileDevice::NoError;
    if (!ok)
        m_error = FileError::Text(*m_direct);
    m_direct.reset();
    return ok;
}
