#include "file/ByteStream.h"

#include "TestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

// Claims more bytes than it delivers, like a file cut short while it is read.
class ShortDevice : public QBuffer {
public:
    ShortDevice(QByteArray* data, qint64 claimed) : QBuffer(data), m_claimed(claimed) {}
    qint64 size() const override { return m_claimed; }

private:
    qint64 m_claimed;
};

// Strings of growing length, so that some straddle every window boundary.
QByteArray sample(int count) {
    ByteBuilder b;
    for (int i = 0; i < count; ++i) {
        b.u8(i & 0xFF).i32(i).f64(i * 0.5);
        b.str(QByteArray(i * 37 % 70000, char('a' + i % 26)));
    }
    return b.bytes();
}

void readSample(TByteReader& in, int count) {
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(in.u8(), i & 0xFF);
        ASSERT_EQ(in.i32(), i);
        ASSERT_EQ(in.f64(), i * 0.5);
        const QByteArray s = in.string();
        ASSERT_EQ(s.size(), i * 37 % 70000);
        if (!s.isEmpty()) {
            ASSERT_EQ(s.front(), char('a' + i % 26));
        }
    }
    EXPECT_TRUE(in.atEnd());
}

} // namespace

TEST(ByteReader, DeviceAndMemoryReadTheSame) {
    const QByteArray data = sample(200); // several MB, many windows
    TByteReader fromMemory(data);
    readSample(fromMemory, 200);
    QByteArray copy = data;
    QBuffer buffer(&copy);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    TByteReader fromDevice(buffer);
    EXPECT_EQ(fromDevice.size(), data.size());
    readSample(fromDevice, 200);
}

TEST(ByteReader, SkipAcrossTheWindow) {
    QByteArray data = ByteBuilder().u8(1).zeros(3 << 20).u8(2).i32(7).bytes();
    QBuffer buffer(&data);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    TByteReader in(buffer);
    EXPECT_EQ(in.u8(), 1);
    in.skip(3 << 20);
    EXPECT_EQ(in.u8(), 2);
    EXPECT_EQ(in.i32(), 7);
    EXPECT_THROW(in.skip(1), EReadError);
}

TEST(ByteReader, LengthsAreCheckedBeforeAnythingIsRead) {
    QByteArray data = ByteBuilder().i32(0x7FFFFFF0).raw("abc").i32(-5).bytes();
    for (bool device : {false, true}) {
        SCOPED_TRACE(device);
        QBuffer buffer(&data);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        TByteReader memoryReader(data);
        TByteReader deviceReader(buffer);
        TByteReader& in = device ? deviceReader : memoryReader;
        EXPECT_THROW(in.string("title"), EReadError);
        EXPECT_EQ(in.pos(), 4); // the length was read, nothing else
        in.skip(3);
        try {
            in.string("title");
            FAIL() << "negative length accepted";
        } catch (const EReadError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("負")));
        }
    }
}

TEST(ByteReader, AFileCutShortWhileReadIsAReadError) {
    QByteArray data = sample(50);
    ShortDevice device(&data, data.size() + 100);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    TByteReader in(device);
    try {
        while (!in.atEnd())
            in.u8();
        FAIL() << "the missing bytes went unnoticed";
    } catch (const EReadError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("読み込めません")));
    }
}

namespace {

struct CollectingSink : TByteSink {
    QByteArray got;
    int calls = 0;
    void write(const char* data, qsizetype size) override {
        got.append(data, size);
        ++calls;
    }
};

} // namespace

// Through a sink the same bytes arrive as in memory, in blocks, and a large
// piece is passed on without going through the buffer.
TEST(ByteWriter, ASinkGetsTheSameBytesInBlocks) {
    const QByteArray big(3 << 20, 'p');
    auto writeAll = [&](TByteWriter& out) {
        for (int i = 0; i < 200000; ++i) {
            out.u8(uint8_t(i));
            out.i32(i);
            out.string(QByteArray::number(i));
        }
        out.f64(1.5);
        out.string(big);
        out.u16(7);
    };
    QByteArray memory;
    TByteWriter plain(memory);
    writeAll(plain);

    CollectingSink sink;
    QByteArray buffer;
    TByteWriter streamed(buffer, sink);
    writeAll(streamed);
    EXPECT_EQ(streamed.size(), memory.size());
    EXPECT_LT(buffer.size(), memory.size());
    streamed.flush();
    EXPECT_TRUE(buffer.isEmpty());
    EXPECT_EQ(sink.got, memory);
    EXPECT_GE(sink.calls, 3);
    EXPECT_LT(buffer.capacity(), (3 << 20)) << "the buffer stays about a block";
}
