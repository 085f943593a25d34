#include "tests/imagelib/reference_images.h"

#include "tests/support/read_file.h"

#include <QProcess>
#include <QStringList>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

namespace tervo::testing {
namespace {

uchar to_eight_bits(unsigned value, unsigned maximum) {
    return uchar((value * 255 + maximum / 2) / maximum);
}

// Reads the whitespace-separated header fields of a netpbm file, skipping
// comments; `pos` ends on the single whitespace byte before the samples.
bool next_token(const std::string& bytes, size_t& pos, std::string& token) {
    token.clear();
    while (pos < bytes.size()) {
        const char c = bytes[pos];
        if (c == '#') {
            while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++pos;
        } else {
            break;
        }
    }
    while (pos < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[pos]))) token += bytes[pos++];
    return !token.empty();
}

bool to_int(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoi(text);
    return true;
}

// Builds an image of `channels` samples a pixel (grey, grey+alpha, RGB,
// RGBA) from big-endian samples of one or two bytes.
QImage from_samples(const std::string& bytes, size_t start, int width, int height, int channels, int maximum) {
    if (width <= 0 || height <= 0 || channels < 1 || channels > 4 || maximum < 1 || maximum > 65535) return {};
    const size_t sample_bytes = maximum > 255 ? 2 : 1;
    const size_t needed = size_t(width) * size_t(height) * size_t(channels) * sample_bytes;
    if (bytes.size() < start + needed) return {};
    QImage image(width, height, QImage::Format_ARGB32);
    const auto* data = reinterpret_cast<const uchar*>(bytes.data()) + start;
    auto sample = [&]() {
        unsigned v = *data++;
        if (sample_bytes == 2) v = (v << 8) | *data++;
        return to_eight_bits(v, unsigned(maximum));
    };
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            uchar s[4];
            for (int c = 0; c < channels; ++c) s[c] = sample();
            switch (channels) {
                case 1: row[x] = qRgb(s[0], s[0], s[0]); break;
                case 2: row[x] = qRgba(s[0], s[0], s[0], s[1]); break;
                case 3: row[x] = qRgb(s[0], s[1], s[2]); break;
                default: row[x] = qRgba(s[0], s[1], s[2], s[3]); break;
            }
        }
    }
    return image;
}

}  // namespace

QImage read_sample_array_json(const std::filesystem::path& path, QSize size, bool sixteen_bits) {
    const std::string text = read_file(path);
    const size_t open = text.find('[');
    if (open == std::string::npos || size.isEmpty()) return {};
    std::vector<unsigned> samples;
    samples.reserve(size_t(size.width()) * size_t(size.height()) * 4);
    unsigned value = 0;
    bool in_number = false;
    for (size_t i = open + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            value = value * 10 + unsigned(c - '0');
            if (value > 65535) return {};
            in_number = true;
            continue;
        }
        if (in_number) samples.push_back(value);
        value = 0;
        in_number = false;
        if (c == ']') break;
        if (c != ',' && !std::isspace(static_cast<unsigned char>(c))) return {};  // not an array of numbers
    }
    if (samples.size() != size_t(size.width()) * size_t(size.height()) * 4) return {};
    QImage image(size, QImage::Format_ARGB32);
    const unsigned maximum = sixteen_bits ? 65535 : 255;
    size_t i = 0;
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x, i += 4)
            row[x] = qRgba(to_eight_bits(samples[i], maximum), to_eight_bits(samples[i + 1], maximum),
                           to_eight_bits(samples[i + 2], maximum), to_eight_bits(samples[i + 3], maximum));
    }
    return image;
}

QImage read_netpbm(const std::string& bytes) {
    if (bytes.size() < 3 || bytes[0] != 'P') return {};
    size_t pos = 2;
    std::string token;
    int width = 0, height = 0, maximum = 0, channels = 0;
    if (bytes[1] == '5' || bytes[1] == '6') {
        if (!next_token(bytes, pos, token) || !to_int(token, width)) return {};
        if (!next_token(bytes, pos, token) || !to_int(token, height)) return {};
        if (!next_token(bytes, pos, token) || !to_int(token, maximum)) return {};
        channels = bytes[1] == '5' ? 1 : 3;
    } else if (bytes[1] == '7') {
        while (next_token(bytes, pos, token) && token != "ENDHDR") {
            std::string value;
            if (!next_token(bytes, pos, value)) return {};
            if (token == "WIDTH" && !to_int(value, width)) return {};
            if (token == "HEIGHT" && !to_int(value, height)) return {};
            if (token == "DEPTH" && !to_int(value, channels)) return {};
            if (token == "MAXVAL" && !to_int(value, maximum)) return {};
            // TUPLTYPE only names what DEPTH already tells.
        }
        if (token != "ENDHDR") return {};
    } else {
        return {};
    }
    return from_samples(bytes, pos + 1, width, height, channels, maximum);
}

QImage read_raw_rgb(const std::filesystem::path& path, QSize size) {
    const std::string bytes = read_file(path);
    if (size.isEmpty() || bytes.size() != size_t(size.width()) * size_t(size.height()) * 3) return {};
    return from_samples(bytes, 0, size.width(), size.height(), 3, 255);
}

std::vector<QRgb> read_gif_colour_map(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<QRgb> colours;
    int index = 0, r = 0, g = 0, b = 0;
    while (in >> index >> r >> g >> b) colours.push_back(qRgb(r, g, b));
    return colours;
}

QSize read_gif_dump_screen(const std::filesystem::path& path) {
    const std::string text = read_file(path);
    const char kScreen[] = "Screen Size - Width = ";
    const size_t at = text.find(kScreen);
    if (at == std::string::npos) return {};
    int width = 0, height = 0;
    if (std::sscanf(text.c_str() + at + sizeof(kScreen) - 1, "%d, Height = %d", &width, &height) != 2) return {};
    return QSize(width, height);
}

const char* second_decoder_program() {
    // By its versioned name: a `convert` earlier on the PATH need not be
    // ImageMagick's.
    return "/usr/bin/convert-im6.q16";
}

QImage decode_with_second_decoder(const std::filesystem::path& path, std::string* error) {
    const std::string extension = path.extension().string();
    std::string format;
    for (char c : extension.substr(extension.empty() ? 0 : 1))
        format += char(std::tolower(static_cast<unsigned char>(c)));
    if (format == "jpg") format = "jpeg";
    // Named by its format so the content is read as what the manifest says.
    QStringList arguments{QString::fromStdString(format + ":" + path.string() + "[0]")};
    if (format == "gif") arguments << "-background" << "none" << "-flatten";
    if (format == "jpeg") arguments << "-auto-orient" << "-colorspace" << "sRGB";
    arguments << "-depth" << "8" << "pam:-";
    QProcess process;
    // One thread each: the test runs several at once.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("MAGICK_THREAD_LIMIT", "1");
    process.setProcessEnvironment(environment);
    process.start(second_decoder_program(), arguments);
    if (!process.waitForStarted(60000)) {
        *error = std::string("cannot run ") + second_decoder_program() + " (ImageMagick; scripts/install-deps.sh)";
        return {};
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        *error = "ImageMagick did not finish";
        return {};
    }
    // ImageMagick also fails on complaints it decodes past (a header's file
    // size that does not match): a whole picture written counts.
    const QByteArray out = process.readAllStandardOutput();
    QImage image = read_netpbm(std::string(out.constData(), size_t(out.size())));
    if (image.isNull())
        *error = "ImageMagick failed: " + process.readAllStandardError().toStdString();
    return image;
}

QImage flattened_over_white(const QImage& image) {
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage out(source.size(), QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const int a = qAlpha(in[x]);
            auto over = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
            row[x] = qRgb(over(qRed(in[x])), over(qGreen(in[x])), over(qBlue(in[x])));
        }
    }
    return out;
}

QImage shrunk_reference(const QImage& flattened, QSize size) {
    return flattened.convertToFormat(QImage::Format_RGB32)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

PixelDifference compare_rgb(const QImage& a, const QImage& b) {
    PixelDifference d;
    d.sizes_match = a.size() == b.size() && !a.isNull();
    if (!d.sizes_match) {
        d.max = 256;
        d.mean = 256;
        return d;
    }
    const QImage ra = a.convertToFormat(QImage::Format_RGB32);
    const QImage rb = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    double squares = 0;
    for (int y = 0; y < ra.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(ra.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(rb.constScanLine(y));
        for (int x = 0; x < ra.width(); ++x)
            for (int shift : {0, 8, 16}) {
                const int delta = std::abs(int((pa[x] >> shift) & 0xff) - int((pb[x] >> shift) & 0xff));
                d.max = std::max(d.max, delta);
                sum += delta;
                squares += double(delta) * delta;
            }
    }
    const double count = 3.0 * ra.width() * ra.height();
    d.mean = sum / count;
    const double mse = squares / count;
    d.psnr = mse == 0 ? std::numeric_limits<double>::infinity() : 10 * std::log10(255.0 * 255.0 / mse);
    return d;
}

int png_bit_depth(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    char header[25] = {};
    if (!in.read(header, sizeof header)) return 0;
    if (std::string(header + 12, 4) != "IHDR") return 0;
    return static_cast<unsigned char>(header[24]);
}

}  // namespace tervo::testing
