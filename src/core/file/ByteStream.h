#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>

// A read error of a document or record: the file ends inside a field, or a
// length cannot be right. The message is shown to the user as it stands.
class EReadError : public std::runtime_error {
public:
    explicit EReadError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// Reading was stopped on purpose (the user cancelled a long load); not
// damage, so it is caught before EReadError wherever the two differ.
class EReadCancelled : public EReadError {
public:
    using EReadError::EReadError;
};

// Told how far a device has been read (bytes so far, bytes in all) after each
// block; it may throw EReadCancelled to stop the read.
using TReadProgress = std::function<void(qint64 done, qint64 total)>;

// No writer puts more than a few ignored tag bytes in a row; a long run is
// a damaged or foreign file (gigabytes of zeros, say) and is refused at once
// instead of being read to its end one byte at a time.
constexpr int MaxIgnoredTagRun = 4096;
// The error for such a run; what names the record.
EReadError IgnoredTagRunError(const QString& what, qsizetype pos);

// Little-endian reading, from a block held in memory or from a device read
// through a small window (so a large document is never held twice). Every
// read checks the bytes that remain first, so a damaged length never becomes
// an allocation.
class TByteReader {
public:
    explicit TByteReader(const QByteArray& data, qsizetype pos = 0);
    // Reads device from its current position to its end.
    explicit TByteReader(QIODevice& device, TReadProgress progress = {});

    qsizetype pos() const { return m_pos; }
    qsizetype size() const { return m_size; }
    qsizetype remaining() const { return m_size - m_pos; }
    bool atEnd() const { return m_pos >= m_size; }

    // what names the field in the message when the file ends inside it
    // (UTF-8, in the user's language).
    uint8_t u8(const char* what = "1バイトの値");
    uint16_t u16(const char* what = "整数");
    int32_t i32(const char* what = "整数");
    double f64(const char* what = "日付");
    bool boolean(const char* what = "真偽値") { return u8(what) != 0; }
    // n bytes; n must be >= 0 and fit in what remains.
    QByteArray bytes(qint64 n, const char* what = "データ");
    void skip(qint64 n, const char* what = "データ");
    // i32 length followed by that many bytes.
    QByteArray string(const char* what = "文字列");

private:
    void need(qint64 n, const char* what);
    void fill(qint64 n);
    const char* at() const { return m_buf.constData() + (m_pos - m_bufStart); }

    QIODevice* m_device = nullptr;
    TReadProgress m_progress;
    QByteArray m_buf;         // the window: bytes m_bufStart .. m_bufStart + size
    qsizetype m_bufStart = 0; // offset of m_buf[0] in the whole stream
    qsizetype m_pos = 0;      // offset in the whole stream
    qsizetype m_size = 0;     // length of the whole stream
};

// Where a streamed document goes, a block at a time. A failure throws.
class TByteSink {
public:
    virtual ~TByteSink() = default;
    virtual void write(const char* data, qsizetype size) = 0;
};

// Little-endian writing into a growing buffer, or through a buffer of about
// a megabyte into a sink, so that a large document is never held whole.
class TByteWriter {
public:
    explicit TByteWriter(QByteArray& out) : m_out(out) {}
    // out is the staging buffer; call flush() after the last write.
    TByteWriter(QByteArray& out, TByteSink& sink) : m_out(out), m_sink(&sink) {}

    void u8(uint8_t v) {
        m_out.append(char(v));
        spill();
    }
    void u16(uint16_t v);
    void i32(int32_t v);
    void f64(double v);
    void boolean(bool v) { u8(v ? 1 : 0); }
    void bytes(const QByteArray& b);
    void zeros(int n) { bytes(QByteArray(n, '\0')); }
    void string(const QByteArray& s);
    // Bytes written so far, passed on or not.
    qint64 size() const { return m_passed + m_out.size(); }
    // Passes what the buffer holds on to the sink.
    void flush();

private:
    static constexpr qsizetype kBlock = 1 << 20;
    void spill() {
        if (m_sink && m_out.size() >= kBlock)
            flush();
    }

    QByteArray& m_out;
    TByteSink* m_sink = nullptr;
    qint64 m_passed = 0;
};

namespace ByteOrder {
int32_t i32At(const char* p);
uint16_t u16At(const char* p);
double f64At(const char* p);
void putI32(char* p, int32_t v);
void putU16(char* p, uint16_t v);
void putF64(char* p, double v);
} // namespace ByteOrder
