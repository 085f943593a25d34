// Files made byte by byte, so that tests and benchmarks can write what
// encoders will not: bombs, damage, unusual headers.
#pragma once

#include <cstdint>
#include <string>

namespace tervo::testing {

std::string be16(unsigned value);
std::string be32(uint32_t value);

// A JPEG marker segment: the marker, its length and `payload`.
std::string jpeg_marker(unsigned char code, const std::string& payload);

// A whole progressive grey JPEG of side x side whose `scans` scans hold
// almost nothing: each still passes through every block.
std::string empty_scans_jpeg(int side, int scans);

// A PNG chunk: its length, type, data and CRC.
std::string png_chunk(const std::string& type, const std::string& data);

// The zlib stream of `count` zero bytes, made a piece at a time: the file
// is small, the picture it claims huge.
std::string deflated_zeros(uint64_t count, int level);

}  // namespace tervo::testing
