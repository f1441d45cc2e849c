#pragma once

#include <QtGlobal>

#include <cstdint>
#include <cstring>

// A checksum of a byte stream that arrives in pieces of any size: four
// 64-bit lanes over 32-byte blocks, so it keeps up with the disk. Each step
// is a bijection of its lane, so one changed word always shows.
class TRunningSum {
public:
    void add(const char* data, qsizetype n) {
        m_size += n;
        if (m_fill > 0) {
            const qsizetype take = qMin<qsizetype>(n, kBlock - m_fill);
            std::memcpy(m_pending + m_fill, data, size_t(take));
            m_fill += int(take);
            data += take;
            n -= take;
            if (m_fill < kBlock)
                return;
            mixBlock(m_pending);
            m_fill = 0;
        }
        for (; n >= kBlock; n -= kBlock, data += kBlock)
            mixBlock(data);
        std::memcpy(m_pending, data, size_t(n));
        m_fill = int(n);
    }
    bool operator==(const TRunningSum& o) const {
        return m_size == o.m_size && std::memcmp(m_lanes, o.m_lanes, sizeof m_lanes) == 0 &&
               m_fill == o.m_fill && std::memcmp(m_pending, o.m_pending, size_t(m_fill)) == 0;
    }
    qint64 size() const { return m_size; }
    // The whole sum in one number, for remembering what a file held.
    uint64_t digest() const {
        uint64_t h = uint64_t(m_size) * 0x9E3779B97F4A7C15ull;
        for (uint64_t lane : m_lanes)
            h = (h ^ lane) * 0xFF51AFD7ED558CCDull;
        for (int i = 0; i < m_fill; ++i)
            h = (h ^ uint8_t(m_pending[i])) * 0xC4CEB9FE1A85EC53ull;
        return h ^ (h >> 29);
    }

private:
    static constexpr int kBlock = 32;
    void mixBlock(const char* p) {
        for (int lane = 0; lane < 4; ++lane) {
            uint64_t w;
            std::memcpy(&w, p + 8 * lane, 8);
            const uint64_t h = (m_lanes[lane] ^ w) * 0x9E3779B97F4A7C15ull;
            m_lanes[lane] = h << 31 | h >> 33;
        }
    }
    uint64_t m_lanes[4] = {0x6A09E667F3BCC909ull, 0xBB67AE8584CAA73Bull, 0x3C6EF372FE94F82Bull,
                           0xA54FF53A5F1D36F1ull};
    char m_pending[kBlock] = {};
    int m_fill = 0;
    qint64 m_size = 0;
};
