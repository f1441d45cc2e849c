#include "file/ByteStream.h"

#include "common/FileError.h"

#include <cstring>

namespace ByteOrder {

int32_t i32At(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return int32_t(uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 |
                   uint32_t(u[3]) << 24);
}

uint16_t u16At(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return uint16_t(u[0] | u[1] << 8);
}

double f64At(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | u[i];
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

void putI32(char* p, int32_t v) {
    const uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i)
        p[i] = char((u >> (8 * i)) & 0xFF);
}

void putU16(char* p, uint16_t v) {
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}

void putF64(char* p, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i)
        p[i] = char((bits >> (8 * i)) & 0xFF);
}

} // namespace ByteOrder

EReadError IgnoredTagRunError(const QString& what, qsizetype pos) {
    return EReadError(
        QStringLiteral("ファイルが壊れています: %1に意味のないバイトが %2 個以上続いています "
                       "(位置 %3)。WrenNOTE の文書ではないか、壊れています。")
            .arg(what)
            .arg(MaxIgnoredTagRun)
            .arg(pos));
}

TByteReader::TByteReader(const QByteArray& data, qsizetype pos)
    : m_buf(data), m_pos(pos), m_size(data.size()) {}

TByteReader::TByteReader(QIODevice& device, TReadProgress progress)
    : m_device(&device), m_progress(std::move(progress)) {
    const qint64 total = device.size() - device.pos();
    m_bufStart = m_pos = 0;
    m_size = total > 0 ? qsizetype(total) : 0;
}

void TByteReader::need(qint64 n, const char* what) {
    if (n < 0)
        throw EReadError(QStringLiteral("ファイルが壊れています: %1の長さが負です (%2, 位置 %3)")
                             .arg(QString::fromUtf8(what))
                             .arg(n)
                             .arg(m_pos));
    if (n > remaining())
        throw EReadError(
            QStringLiteral("ファイルが壊れています: %1の途中でファイルが終わっています (位置 %2, "
                           "必要 %3 バイト, 残り %4 バイト)")
                .arg(QString::fromUtf8(what))
                .arg(m_pos)
                .arg(n)
                .arg(remaining()));
    if (m_pos + n > m_bufStart + m_buf.size())
        fill(n);
}

// Slides the window so that it holds at least n bytes from the position.
// The window's storage is reused: a fresh megabyte for every slide would be
// faulted in page by page.
void TByteReader::fill(qint64 n) {
    constexpr qint64 kChunk = 1 << 20;
    const qsizetype keep = m_bufStart + m_buf.size() - m_pos;
    const qint64 want = qMin<qint64>(qMax<qint64>(n, kChunk), remaining());
    if (keep > 0)
        std::memmove(m_buf.data(), m_buf.constData() + (m_pos - m_bufStart), size_t(keep));
    m_buf.resize(qsizetype(want));
    m_bufStart = m_pos;
    qint64 done = keep;
    while (done < want) {
        const qint64 got = m_device->read(m_buf.data() + done, want - done);
        if (got <= 0) {
            m_buf.resize(qsizetype(done));
            throw EReadError(
                QStringLiteral("ファイルを読み込めません: 位置 %1 で読み込みが止まりました (%2)")
                    .arg(m_pos + done)
                    .arg(FileError::Text(*m_device).isEmpty()
                             ? QStringLiteral("ファイルが途中で終わっています")
                             : FileError::Text(*m_device)));
        }
        done += got;
    }
    if (m_progress)
        m_progress(m_bufStart + m_buf.size(), m_size);
}

uint8_t TByteReader::u8(const char* what) {
    need(1, what);
    const uint8_t v = uint8_t(*at());
    ++m_pos;
    return v;
}

uint16_t TByteReader::u16(const char* what) {
    need(2, what);
    const uint16_t v = ByteOrder::u16At(at());
    m_pos += 2;
    return v;
}

int32_t TByteReader::i32(const char* what) {
    need(4, what);
    const int32_t v = ByteOrder::i32At(at());
    m_pos += 4;
    return v;
}

double TByteReader::f64(const char* what) {
    need(8, what);
    const double v = ByteOrder::f64At(at());
    m_pos += 8;
    return v;
}

QByteArray TByteReader::bytes(qint64 n, const char* what) {
    need(n, what);
    QByteArray out(at(), qsizetype(n));
    m_pos += qsizetype(n);
    return out;
}

void TByteReader::skip(qint64 n, const char* what) {
    const qsizetype inWindow = m_bufStart + m_buf.size() - m_pos;
    if (!m_device || n < 0 || n > remaining() || n <= inWindow) {
        need(n, what);
        m_pos += qsizetype(n);
        return;
    }
    // Skipped bytes beyond the window need not pass through it.
    if (!m_device->seek(m_device->pos() + (n - inWindow)))
        throw EReadError(
            QStringLiteral("ファイルを読み込めません: %1").arg(FileError::Text(*m_device)));
    m_pos += qsizetype(n);
    m_buf.clear();
    m_bufStart = m_pos;
}

QByteArray TByteReader::string(const char* what) {
    const int32_t n = i32(what);
    return bytes(n, what);
}

void TByteWriter::u16(uint16_t v) {
    char b[2];
    ByteOrder::putU16(b, v);
    m_out.append(b, 2);
    spill();
}

void TByteWriter::i32(int32_t v) {
    char b[4];
    ByteOrder::putI32(b, v);
    m_out.append(b, 4);
    spill();
}

void TByteWriter::f64(double v) {
    char b[8];
    ByteOrder::putF64(b, v);
    m_out.append(b, 8);
    spill();
}

void TByteWriter::bytes(const QByteArray& b) {
    if (m_sink && b.size() >= kBlock) {
        // A large page goes on as it is, not through the buffer.
        flush();
        m_sink->write(b.constData(), b.size());
        m_passed += b.size();
        return;
    }
    m_out.append(b);
    spill();
}

void TByteWriter::string(const QByteArray& s) {
    i32(int32_t(s.size()));
    bytes(s);
}

void TByteWriter::flush() {
    if (!m_sink || m_out.isEmpty())
        return;
    m_sink->write(m_out.constData(), m_out.size());
    m_passed += m_out.size();
    m_out.resize(0); // the storage stays for the next block
}
