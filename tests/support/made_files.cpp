#include "tests/support/made_files.h"

#include <zlib.h>

#include <algorithm>

namespace tervo::testing {

std::string be16(unsigned value) { return {char(value >> 8), char(value & 0xff)}; }

std::string be32(uint32_t value) { return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)}; }

std::string jpeg_marker(unsigned char code, const std::string& payload) {
    return std::string("\xFF") + char(code) + be16(unsigned(payload.size()) + 2) + payload;
}

std::string empty_scans_jpeg(int side, int scans) {
    const std::string dqt = std::string(1, '\0') + std::string(64, '\x01');
    const std::string sof =
        std::string(1, 8) + be16(unsigned(side)) + be16(unsigned(side)) + char(1) + char(1) + char(0x11) + char(0);
    // DC table 0: one code of one bit, for "no difference".
    const std::string dht = std::string(1, '\0') + char(1) + std::string(15, '\0') + char(0);
    std::string bytes =
        std::string("\xFF\xD8", 2) + jpeg_marker(0xDB, dqt) + jpeg_marker(0xC2, sof) + jpeg_marker(0xC4, dht);
    for (int i = 0; i < scans; ++i) bytes += jpeg_marker(0xDA, std::string{1, 1, 0, 0, 0, 0}) + std::string(64, '\0');
    return bytes + "\xFF\xD9";
}

std::string png_chunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
    return be32(uint32_t(data.size())) + body + be32(crc);
}

std::string deflated_zeros(uint64_t count, int level) {
    z_stream z{};
    deflateInit(&z, level);
    const std::string zeros(1 << 20, '\0');
    std::string out;
    char buffer[1 << 16];
    for (int flush = Z_NO_FLUSH; flush != Z_FINISH;) {
        const uint64_t piece = std::min<uint64_t>(count, zeros.size());
        count -= piece;
        flush = count == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        z.avail_in = uInt(piece);
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

}  // namespace tervo::testing
