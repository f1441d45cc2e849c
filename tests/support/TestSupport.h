#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <future>

// Builds binary fixtures byte by byte, little-endian, as the file layouts
// describe them; independent of our own writer.
class ByteBuilder {
public:
    ByteBuilder& u8(int v);
    ByteBuilder& u16(int v);
    ByteBuilder& i32(int32_t v);
    ByteBuilder& f64(double v);
    ByteBuilder& raw(const QByteArray& bytes);
    ByteBuilder& zeros(int count);
    // i32 length followed by the bytes.
    ByteBuilder& str(const QByteArray& bytes);
    // A UTF-8 literal written as cp932 bytes.
    ByteBuilder& sjis(const char* utf8);
    const QByteArray& bytes() const { return m_bytes; }
    int size() const { return int(m_bytes.size()); }

private:
    QByteArray m_bytes;
};

// UTF-8 source text to cp932 bytes.
QByteArray Sjis(const char* utf8);
// cp932 bytes to QString (for readable failure messages).
QString FromSjis(const QByteArray& bytes);

// A device that accepts the first N bytes written and then fails.
class FailDevice : public QIODevice {
public:
    explicit FailDevice(qint64 failAfter);
    QByteArray written() const { return m_data; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    qint64 m_failAfter;
    QByteArray m_data;
};

// Sets an environment variable for the life of the object; a null value
// clears it. The old state comes back at the end.
class EnvScope {
public:
    EnvScope(const char* name, const QByteArray& value)
        : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name)) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    EnvScope(const char* name, const QString& value)
        : EnvScope(name, value.isNull() ? QByteArray() : value.toUtf8()) {}
    EnvScope(const char* name, const char* value) : EnvScope(name, QByteArray(value)) {}
    ~EnvScope() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    EnvScope(const EnvScope&) = delete;
    EnvScope& operator=(const EnvScope&) = delete;

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

// A temporary directory whose name holds Japanese characters, set as
// WRENNOTE_HOME and XDG_CONFIG_HOME for the life of the object; shipped data
// is looked for in its "shipped" folder (WRENNOTE_DATA_DIR).
class TestHome {
public:
    TestHome();
    ~TestHome();
    QString path() const { return m_path; }
    QString file(const QString& name) const { return m_path + QLatin1Char('/') + name; }

private:
    QTemporaryDir m_dir;
    QString m_path;
    QByteArray m_oldHome, m_oldConfig, m_oldData;
};

// Path of a checked-in fixture under tests/data.
QString TestDataPath(const QString& relative);

// Reads a pipe on a thread of its own; detached, so that a writer that never
// comes fails the test instead of hanging it.
std::future<QByteArray> ReadPipeLater(const QString& path);
