#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QtEndian>

#include <cstring>
#include <thread>

ByteBuilder& ByteBuilder::u8(int v) {
    m_bytes.append(char(uint8_t(v)));
    return *this;
}

ByteBuilder& ByteBuilder::u16(int v) {
    u8(v & 0xFF);
    return u8((v >> 8) & 0xFF);
}

ByteBuilder& ByteBuilder::i32(int32_t v) {
    const uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i)
        u8(int((u >> (8 * i)) & 0xFF));
    return *this;
}

ByteBuilder& ByteBuilder::f64(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i)
        u8(int((u >> (8 * i)) & 0xFF));
    return *this;
}

ByteBuilder& ByteBuilder::raw(const QByteArray& bytes) {
    m_bytes.append(bytes);
    return *this;
}

ByteBuilder& ByteBuilder::zeros(int count) {
    m_bytes.append(QByteArray(count, '\0'));
    return *this;
}

ByteBuilder& ByteBuilder::str(const QByteArray& bytes) {
    i32(int32_t(bytes.size()));
    return raw(bytes);
}

ByteBuilder& ByteBuilder::sjis(const char* utf8) {
    return str(Sjis(utf8));
}

QByteArray Sjis(const char* utf8) {
    QStringEncoder enc("windows-31j");
    return enc.encode(QString::fromUtf8(utf8));
}

QString FromSjis(const QByteArray& bytes) {
    QStringDecoder dec("windows-31j");
    return dec.decode(bytes);
}

FailDevice::FailDevice(qint64 failAfter) : m_failAfter(failAfter) {}

qint64 FailDevice::readData(char*, qint64) {
    return -1;
}

qint64 FailDevice::writeData(const char* data, qint64 size) {
    const qint64 room = m_failAfter - m_data.size();
    if (room <= 0) {
        setErrorString(QStringLiteral("No space left on device"));
        return -1;
    }
    const qint64 n = qMin(room, size);
    m_data.append(data, n);
    return n;
}

TestHome::TestHome()
    : m_dir(QDir::tempPath() + QStringLiteral("/wrennote-日本語-XXXXXX")),
      m_oldHome(qgetenv("WRENNOTE_HOME")), m_oldConfig(qgetenv("XDG_CONFIG_HOME")),
      m_oldData(qgetenv("WRENNOTE_DATA_DIR")) {
    m_path = m_dir.path();
    qputenv("WRENNOTE_HOME", m_path.toUtf8());
    // Shipped files come from here (missing unless a test makes it), never
    // from a build folder the test happens to run in.
    qputenv("WRENNOTE_DATA_DIR", (m_path + QStringLiteral("/shipped")).toUtf8());
    QDir(m_path).mkpath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", (m_path + QStringLiteral("/config")).toUtf8());
}

TestHome::~TestHome() {
    qputenv("WRENNOTE_HOME", m_oldHome);
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("WRENNOTE_DATA_DIR", m_oldData);
}

QString TestDataPath(const QString& relative) {
    QString root = qEnvironmentVariable("WRENNOTE_TEST_DATA");
    if (root.isEmpty())
        root = QStringLiteral(WRENNOTE_SOURCE_TESTDATA);
    return root + QLatin1Char('/') + relative;
}

std::future<QByteArray> ReadPipeLater(const QString& path) {
    std::packaged_task<QByteArray()> task([path] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    });
    std::future<QByteArray> result = task.get_future();
    std::thread(std::move(task)).detach();
    return result;
}
