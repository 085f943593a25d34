// The JPEG decoder on its own: the corpus's JPEGs against their listed sizes
// and reference pixels, EXIF orientation, DCT-scaled sizes, and files built
// to cost memory or time.
#include "imagelib/decoder.h"
#include "imagelib/row_sinks.h"
#include "tests/imagelib/corpus_fixture.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/made_files.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

namespace tervo {
namespace {

using imagelib::decode_jpeg;
using imagelib::FileInput;
using imagelib::read_jpeg_info;
using imagelib::WholeImageSink;
using testing::be16;
using testing::CorpusEntry;
using testing::described_files;
using testing::jpeg_marker;
using testing::TempDir;

struct Decoded {
    bool ok = false;
    QImage image;
};

Decoded decode(const std::string& path, QSize wanted = QSize()) {
    Decoded out;
    const auto input = FileInput::open(path.c_str());
    if (!input) return out;
    WholeImageSink sink;
    out.ok = decode_jpeg(*input, wanted, sink);
    out.image = sink.image();
    return out;
}

std::optional<imagelib::ImageInfo> info_of(const std::string& path) {
    const auto input = FileInput::open(path.c_str());
    return input ? read_jpeg_info(*input) : std::nullopt;
}

// Every fourth byte of an RGB32 row must be 0xff, or Qt's conversions that
// take the format at its word misread the pixels.
bool opaque_bytes(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            if (row[4 * x + (QSysInfo::ByteOrder == QSysInfo::LittleEndian ? 3 : 0)] != 0xff) return false;
    }
    return true;
}

// ---- the corpus ---------------------------------------------------------

struct Difference {
    int max = 0;
    double mean = 0;
};




class JpegCorpus : public testing::CorpusTest {
protected:
    std::string full(const std::string& relative) const { return (dir_ / relative).string(); }
    std::vector<const CorpusEntry*> jpegs(const std::string& klass) const {
        std::vector<const CorpusEntry*> out;
        for (const CorpusEntry& e : entries_)
            if (e.role == "test" && e.format == "jpeg" && e.klass == klass) out.push_back(&e);
        return out;
    }
    const CorpusEntry* entry(const std::string& path) const {
        for (const CorpusEntry& e : entries_)
            if (e.path == path) return &e;
        return nullptr;
    }
};

TEST_F(JpegCorpus, ValidFilesDecodeAtTheirStoredSize) {
    const auto valid = jpegs("valid");
    ASSERT_GT(valid.size(), 100u);
    for (const CorpusEntry* e : valid) {
        SCOPED_TRACE(e->path);
        const auto info = info_of(full(e->path));
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->stored_size, QSize(e->width, e->height));
        const Decoded d = decode(full(e->path));
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.image.size(), QSize(e->width, e->height));
        EXPECT_EQ(d.image.format(), QImage::Format_RGB32);
        EXPECT_TRUE(opaque_bytes(d.image));
    }
}

// References that do not show what a correct decoder makes of their file.
const std::map<std::string, std::string> kNotPixelReferences = {
    {"jpeg/libjpeg-turbo/testorig.png", "differs from testorig.ppm, the decoded JPEG, by up to 183"},
};

TEST_F(JpegCorpus, DecodesMatchTheirReferences) {
    int compared = 0;
    int scaled = 0;
    for (const CorpusEntry& reference : entries_) {
        if (reference.role != "reference" || kNotPixelReferences.count(reference.path)) continue;
        for (const std::string& described : described_files(reference)) {
            const CorpusEntry* test = entry(described);
            if (test == nullptr || test->format != "jpeg" || test->klass != "valid") continue;
            SCOPED_TRACE(described + " against " + reference.path);
            const QImage expected = QImageReader(QString::fromStdString(full(reference.path))).read();
            ASSERT_FALSE(expected.isNull());
            const bool reduced = expected.size() != QSize(test->width, test->height);
            // Reduced references keep the partial edge blocks' pixels, which
            // our reduced decode leaves out: one row or column less at most.
            const Decoded d = decode(full(described), reduced ? expected.size() - QSize(1, 1) : QSize());
            ASSERT_TRUE(d.ok);
            // A scale that would leave out too much of an odd-sized picture is
            // not taken (a finer one is): such references cannot be compared.
            if (reduced && (d.image.width() > expected.width() || d.image.height() > expected.height())) continue;
            const QImage compared_part = expected.copy(QRect(QPoint(0, 0), d.image.size()));
            ASSERT_EQ(d.image.size(), reduced ? compared_part.size() : expected.size());
            ASSERT_LE(expected.width() - d.image.width(), 1);
            ASSERT_LE(expected.height() - d.image.height(), 1);
            const Difference diff{testing::max_channel_difference(d.image, compared_part),
                                  testing::mean_channel_difference(d.image, compared_part)};
            // Decoders may round the inverse DCT and upsampling differently.
            // The reduced references come from another decoder's own scaled
            // transforms: at 1/8 (block averages) they match exactly, at 1/4
            // and 1/2 they differ from libjpeg-turbo's by a mean of about 4.
            EXPECT_LE(diff.mean, reduced ? 5.0 : 1.5);
            EXPECT_LE(diff.max, 40);
            if (std::getenv("TERVO_CORPUS_REPORT"))
                std::printf("  %s (%dx%d): max %d mean %.2f\n", described.c_str(), expected.width(),
                            expected.height(), diff.max, diff.mean);
            ++compared;
            scaled += reduced;
        }
    }
    EXPECT_GE(compared, 35);
    EXPECT_GE(scaled, 1);
}

// Files nobody promises to be whole: each is refused or decoded, shrunk and
// in full, and a decoded one has the size its header gave.
TEST_F(JpegCorpus, DamagedFilesAreRefusedOrDecodedWithoutHarm) {
    std::map<std::string, int> decoded;
    for (const std::string klass : {"questionable", "invalid"}) {
        for (const CorpusEntry* e : jpegs(klass)) {
            SCOPED_TRACE(e->path);
            const auto info = info_of(full(e->path));
            for (const QSize wanted : {QSize(40, 30), QSize()}) {
                const Decoded d = decode(full(e->path), wanted);
                // A file whose header passed may still fail; one whose header
                // failed never decodes.
                if (!info) {
                    EXPECT_FALSE(d.ok);
                }
                if (d.ok && !wanted.isValid()) {
                    EXPECT_EQ(d.image.size(), info->stored_size);
                    ++decoded[klass];
                }
            }
        }
    }
    std::printf("decoded in full: %d questionable, %d invalid\n", decoded["questionable"], decoded["invalid"]);
    // The warnings of damaged data keep what was decoded: most questionable
    // files show a picture.
    EXPECT_GT(decoded["questionable"], 60);
}

TEST_F(JpegCorpus, SizesOverTheCapAreRefusedByTheHeader) {
    for (const char* path : {"jpeg/jpeg-decoder/crashtest/max_size.jpg",
                             "jpeg/jpeg-decoder/crashtest/imagetestsuite/6903d4538fd33c8fd0ded32cb30d618e.jpg",
                             "jpeg/jpeg-decoder/crashtest/invalid-dimensions.jpg"}) {
        SCOPED_TRACE(path);
        ASSERT_NE(entry(path), nullptr);
        EXPECT_FALSE(info_of(full(path)).has_value());
        EXPECT_FALSE(decode(full(path), QSize(10, 10)).ok);
    }
}

TEST_F(JpegCorpus, AllEightOrientationsAreRead) {
    for (const char* kind : {"Landscape", "Portrait"}) {
        for (int n = 0; n <= 8; ++n) {
            const std::string path = std::string("photos/exif-orientation-examples/") + kind + "_" +
                                     std::to_string(n) + ".jpg";
            SCOPED_TRACE(path);
            const auto info = info_of(full(path));
            ASSERT_TRUE(info.has_value());
            EXPECT_EQ(info->exif_orientation, std::max(n, 1));
            // Orientations 5 to 8 store the picture on its side.
            const QSize upright = std::string(kind) == "Landscape" ? QSize(1800, 1200) : QSize(1200, 1800);
            EXPECT_EQ(info->stored_size, n >= 5 ? upright.transposed() : upright);
        }
    }
    for (int n = 2; n <= 8; ++n) {
        const auto info = info_of(full("jpeg/pillow/hopper_orientation_" + std::to_string(n) + ".jpg"));
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->exif_orientation, n);
    }
    EXPECT_EQ(info_of(full("jpeg/pillow/hopper.jpg"))->exif_orientation, 1);
}

// ---- generated files ----------------------------------------------------

std::string jpeg_bytes(const QImage& image, int quality = 90, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image));
    return bytes.toStdString();
}

// An APP1 EXIF block holding one IFD entry (tag, type, count, value) in the
// given byte order.
std::string exif_block(bool little, unsigned tag, unsigned type, uint32_t value, uint32_t ifd_offset = 8) {
    auto u16 = [&](unsigned v) { return little ? std::string{char(v & 0xff), char(v >> 8)} : be16(v); };
    auto u32 = [&](uint32_t v) { return little ? u16(v & 0xffff) + u16(v >> 16) : u16(v >> 16) + u16(v & 0xffff); };
    std::string tiff = (little ? std::string("II") : std::string("MM")) + u16(42) + u32(ifd_offset);
    std::string value_field = type == 3 ? u16(value) + u16(0) : u32(value);
    tiff += u16(1) + u16(tag) + u16(type) + u32(1) + value_field + u32(0);
    return jpeg_marker(0xE1, std::string("Exif\0\0", 6) + tiff);
}

// The file with `segments` placed right after SOI.
std::string with_segments(const std::string& jpeg, const std::string& segments) {
    return jpeg.substr(0, 2) + segments + jpeg.substr(2);
}

class GeneratedJpeg : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes) {
        return dir_.write(name, bytes).string();
    }
    TempDir dir_;
};

TEST_F(GeneratedJpeg, ExifOrientationInEitherByteOrderAndDamagedBlocks) {
    const std::string plain = jpeg_bytes(testing::gradient_image(24, 16));
    struct Case {
        const char* name;
        std::string segments;
        int orientation;
    };
    const std::string xmp = jpeg_marker(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 34));
    const std::vector<Case> cases = {
        {"none", "", 1},
        {"intel", exif_block(true, 0x0112, 3, 6), 6},
        {"motorola", exif_block(false, 0x0112, 3, 8), 8},
        {"long value", exif_block(false, 0x0112, 4, 3), 3},
        {"after an XMP block", xmp + exif_block(true, 0x0112, 3, 5), 5},
        {"only the first EXIF block counts", exif_block(true, 0x0112, 3, 2) + exif_block(true, 0x0112, 3, 7), 2},
        {"another tag", exif_block(true, 0x0110, 3, 6), 1},
        {"out of range", exif_block(true, 0x0112, 3, 9), 1},
        {"zero", exif_block(false, 0x0112, 3, 0), 1},
        {"IFD past the block", exif_block(true, 0x0112, 3, 6, 4000), 1},
        {"IFD inside the header", exif_block(true, 0x0112, 3, 6, 2), 1},
        {"huge IFD offset", exif_block(false, 0x0112, 3, 6, 0xFFFFFFF0u), 1},
        {"entry cut short", jpeg_marker(0xE1, exif_block(true, 0x0112, 3, 6).substr(4, 18)), 1},
        {"bad byte order", jpeg_marker(0xE1, std::string("Exif\0\0IM\x2a\0\x08\0\0\0", 14)), 1},
        {"bare EXIF word", jpeg_marker(0xE1, std::string("Exif\0\0", 6)), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write("exif.jpg", with_segments(plain, c.segments));
        const auto info = info_of(path);
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->exif_orientation, c.orientation);
        EXPECT_EQ(info->stored_size, QSize(24, 16));
        EXPECT_TRUE(decode(path).ok);
    }
}

// Sizes worked out by hand: at scale k/8 the rows hold floor(side * k / 8)
// pixels, the partial last block left out, and a scale is taken only when
// what it leaves out moves the far edge by at most a quarter of a wanted
// pixel. Small pictures decode whole.
TEST_F(GeneratedJpeg, DctScaleIsTheSmallestThatCoversTheWantedSize) {
    struct Case {
        QSize stored, wanted, expected;
    };
    const Case cases[] = {
        {{1001, 667}, {}, {1001, 667}},          {{1001, 667}, {1, 1}, {125, 83}},
        {{1001, 667}, {124, 41}, {125, 83}},     {{1001, 667}, {125, 83}, {500, 333}},
        {{1001, 667}, {250, 166}, {500, 333}},   {{1001, 667}, {500, 333}, {1001, 667}},
        {{1001, 667}, {2000, 2000}, {1001, 667}}, {{650, 470}, {162, 117}, {325, 235}},
        {{650, 470}, {81, 58}, {162, 117}},      {{1024, 768}, {128, 96}, {128, 96}},
        {{1024, 768}, {129, 96}, {256, 192}},    {{1024, 768}, {256, 192}, {256, 192}},
        {{17, 9}, {1, 1}, {17, 9}},              {{255, 256}, {1, 1}, {255, 256}},
        {{257, 256}, {1, 1}, {32, 32}},          {{1, 1}, {}, {1, 1}},
    };
    QSize written;
    std::string path;
    Decoded whole;
    for (const Case& c : cases) {
        std::ostringstream trace;
        trace << c.stored.width() << "x" << c.stored.height() << " wanted " << c.wanted.width() << "x"
              << c.wanted.height();
        SCOPED_TRACE(trace.str());
        if (c.stored != written) {
            path = write("scaled.jpg", jpeg_bytes(testing::gradient_image(c.stored.width(), c.stored.height())));
            written = c.stored;
            whole = decode(path);
            ASSERT_TRUE(whole.ok);
        }
        const Decoded d = decode(path, c.wanted);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.image.size(), c.expected);
        // A reduced decode shows the same picture as the whole one (tiny
        // pictures are mostly edge blocks padded by the encoder).
        if (c.stored.width() < 100) continue;
        const QImage shrunk = whole.image.scaled(d.image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(testing::mean_channel_difference(d.image, shrunk), 6.0);
    }
}

// Marker segments of a progressive three-component JPEG of any size whose
// scans hold nothing: the header alone says how much the decoder must keep.
std::string progressive_header(int width, int height, bool subsampled) {
    std::string dqt = std::string(1, '\0') + std::string(64, '\x01');
    std::string sof = std::string(1, 8) + be16(unsigned(height)) + be16(unsigned(width)) + char(3);
    sof += std::string{1, char(subsampled ? 0x22 : 0x11), 0} + std::string{2, 0x11, 0} + std::string{3, 0x11, 0};
    // DC table 0: one code of one bit, for "no difference".
    std::string dht = std::string(1, '\0') + char(1) + std::string(15, '\0') + char(0);
    return std::string("\xFF\xD8", 2) + jpeg_marker(0xDB, dqt) + jpeg_marker(0xC2, sof) + jpeg_marker(0xC4, dht);
}

std::string dc_scan() { return jpeg_marker(0xDA, std::string{3, 1, 0, 2, 0, 3, 0, 0, 0, 0}) + std::string(64, '\0'); }

// Counts what reaches the sink without keeping it.
class CountingSink : public imagelib::RowSink {
public:
    bool start(QSize size, QImage::Format) override {
        started = true;
        row_.resize(std::size_t(size.width()) * 4);
        return true;
    }
    uchar* row(int) override { return row_.data(); }
    void row_done(int) override { ++rows; }
    bool started = false;
    int rows = 0;

private:
    std::vector<uchar> row_;
};

TEST_F(GeneratedJpeg, MemoryLimitRefusesHugeMultiScanHeadersButNotCameraPictures) {
    // 32768x4096 is within the pixel cap, but its coefficients alone would
    // take 384 MB (4:2:0) or 768 MB (4:4:4).
    for (bool subsampled : {true, false}) {
        const std::string bytes = progressive_header(32768, 4096, subsampled) + dc_scan() + "\xFF\xD9";
        ASSERT_LT(bytes.size(), 4096u);
        const std::string path = write("huge.jpg", bytes);
        ASSERT_TRUE(info_of(path).has_value());
        CountingSink sink;
        EXPECT_FALSE(decode_jpeg(*FileInput::open(path.c_str()), QSize(100, 100), sink));
        EXPECT_FALSE(sink.started);
    }
    // A 24-megapixel camera picture needs about 72 MB (4:2:0) or 144 MB.
    for (bool subsampled : {true, false}) {
        const std::string path =
            write("camera.jpg", progressive_header(6000, 4000, subsampled) + dc_scan() + "\xFF\xD9");
        CountingSink sink;
        EXPECT_TRUE(decode_jpeg(*FileInput::open(path.c_str()), QSize(750, 500), sink));
        EXPECT_EQ(sink.rows, 500);
    }
}

TEST_F(GeneratedJpeg, EndlessScansAndCostlyProgressionsAreRefused) {
    // Every scan passes through all blocks of its components, data or not:
    // hundreds of empty scans over a large picture cost seconds.
    struct Case {
        int side, scans;
        bool decoded;
    };
    for (const Case& c : {Case{16, 300, true}, Case{16, 5000, false}, Case{1024, 10, true}, Case{1024, 400, false}}) {
        std::string bytes = progressive_header(c.side, c.side, false);
        for (int i = 0; i < c.scans; ++i) bytes += dc_scan();
        CountingSink sink;
        EXPECT_EQ(decode_jpeg(*FileInput::open(write("scans.jpg", bytes + "\xFF\xD9").c_str()), QSize(), sink),
                  c.decoded)
            << c.side << " " << c.scans;
        if (c.decoded) {
            EXPECT_EQ(sink.rows, c.side);
        }
    }
}

TEST_F(GeneratedJpeg, TruncatedFileKeepsWhatWasDecoded) {
    const QImage picture = testing::gradient_image(64, 256);
    const std::string bytes = jpeg_bytes(picture, 95);
    const std::string whole_path = write("whole.jpg", bytes);
    const Decoded whole = decode(whole_path);
    ASSERT_TRUE(whole.ok);
    const Decoded cut = decode(write("cut.jpg", bytes.substr(0, bytes.size() / 2)));
    ASSERT_TRUE(cut.ok);
    ASSERT_EQ(cut.image.size(), whole.image.size());
    EXPECT_EQ(testing::max_channel_difference(cut.image.copy(0, 0, 64, 64), whole.image.copy(0, 0, 64, 64)), 0);
    EXPECT_GT(testing::mean_channel_difference(cut.image.copy(0, 192, 64, 64), whole.image.copy(0, 192, 64, 64)), 10);
}

TEST_F(GeneratedJpeg, ProgressiveAndGreyFilesDecodeLikeQt) {
    const QImage picture = testing::gradient_image(97, 61);
    for (bool progressive : {false, true}) {
        for (bool grey : {false, true}) {
            SCOPED_TRACE(std::string(progressive ? "progressive" : "baseline") + (grey ? " grey" : " colour"));
            const QImage source = grey ? picture.convertToFormat(QImage::Format_Grayscale8) : picture;
            const std::string path = write("kind.jpg", jpeg_bytes(source, 90, progressive));
            const Decoded d = decode(path);
            ASSERT_TRUE(d.ok);
            EXPECT_TRUE(opaque_bytes(d.image));
            EXPECT_LE(testing::max_channel_difference(d.image, QImage(QString::fromStdString(path))), 2);
        }
    }
}

TEST_F(GeneratedJpeg, NotAJpegIsRefused) {
    const std::string good = jpeg_bytes(testing::gradient_image(16, 16));
    for (const std::string& bytes :
         {std::string(), std::string("\xFF\xD8\xFF", 3), std::string("\xFF\xD8", 2) + std::string(100, '\x5a'),
          good.substr(0, 40), std::string("\xFF\xD8\xFF\xD9", 4)}) {
        const std::string path = write("bad.jpg", bytes);
        EXPECT_FALSE(info_of(path).has_value());
        CountingSink sink;
        EXPECT_FALSE(decode_jpeg(*FileInput::open(path.c_str()), QSize(), sink));
        EXPECT_FALSE(sink.started);
    }
}

}  // namespace
}  // namespace tervo
