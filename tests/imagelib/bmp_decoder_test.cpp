// The BMP decoder against bmpsuite and other suites' files with their
// reference pictures, and against hand-made files for what those lack.
#include "imagelib/decoder.h"
#include "imagelib/row_sinks.h"
#include "tests/imagelib/corpus_fixture.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QImage>

#include <map>
#include <set>
#include <sstream>

namespace tervo::imagelib {
namespace {

using testing::CorpusEntry;
using testing::TempDir;

struct Decoded {
    bool info = false;
    bool ok = false;
    QImage image;
};

Decoded decode_file(const std::string& path) {
    Decoded d;
    const auto input = FileInput::open(path.c_str());
    if (!input) return d;
    const auto info = read_bmp_info(*input);
    d.info = info.has_value();
    WholeImageSink sink;
    d.ok = decode_bmp(*input, sink);
    if (d.ok) d.image = sink.image();
    if (d.ok && info) {
        EXPECT_EQ(info->stored_size, d.image.size()) << path;
    }
    return d;
}

// Empty when the pictures agree: alpha everywhere, colour wherever the
// reference is not fully transparent.
std::string difference(const QImage& decoded, const QImage& reference) {
    if (decoded.size() != reference.size()) return "size differs";
    const QImage a = decoded.convertToFormat(QImage::Format_ARGB32);
    const QImage b = reference.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const bool same = qAlpha(pb[x]) == 0 ? qAlpha(pa[x]) == 0 : pa[x] == pb[x];
            if (!same) {
                std::ostringstream out;
                out << "at " << x << "," << y << std::hex << " got " << pa[x] << " want " << pb[x];
                return out.str();
            }
        }
    }
    return {};
}

class BmpCorpus : public testing::CorpusTest {
protected:
    void SetUp() override {
        testing::CorpusTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        for (const CorpusEntry& e : entries_) {
            if (e.role != "reference" || e.path.size() < 4 || e.path.substr(e.path.size() - 4) != ".png") continue;
            std::istringstream targets(e.ref_for);
            for (std::string t; targets >> t;) references_[t].push_back(e.path);
        }
    }

    std::vector<const CorpusEntry*> bmps(const std::string& klass) const {
        std::vector<const CorpusEntry*> out;
        for (const CorpusEntry& e : entries_)
            if (e.role == "test" && e.format == "bmp" && e.klass == klass) out.push_back(&e);
        return out;
    }

    std::string full(const std::string& relative) const { return (dir_ / relative).string(); }

    // Empty when one of the file's references (of the decoded size) shows
    // exactly the decoded pixels; "none" when it has no reference.
    std::string against_references(const std::string& path, const QImage& decoded) const {
        auto it = references_.find(path);
        if (it == references_.end()) return "none";
        std::string why = "no reference of size " + std::to_string(decoded.width()) + "x" +
                          std::to_string(decoded.height());
        for (const std::string& ref : it->second) {
            const QImage reference(QString::fromStdString(full(ref)));
            if (reference.size() != decoded.size()) continue;
            const std::string d = difference(decoded, reference);
            if (d.empty()) return {};
            why = ref + ": " + d;
        }
        return why;
    }

    std::map<std::string, std::vector<std::string>> references_;
};

TEST_F(BmpCorpus, ValidFilesDecodeAtTheirSizeWithTheirReferencePixels) {
    int decoded = 0, compared = 0;
    for (const CorpusEntry* e : bmps("valid")) {
        const Decoded d = decode_file(full(e->path));
        EXPECT_TRUE(d.info) << e->path;
        ASSERT_TRUE(d.ok) << e->path;
        EXPECT_EQ(d.image.size(), QSize(e->width, e->height)) << e->path;
        ++decoded;
        const std::string diff = against_references(e->path, d.image);
        if (diff == "none") continue;
        EXPECT_EQ(diff, "") << e->path;
        ++compared;
    }
    EXPECT_EQ(decoded, 66);
    EXPECT_EQ(compared, 27);
}

// Questionable files whose reference is not what their bytes say, and why.
const std::map<std::string, std::string> kNotTheirPixels = {
    {"bmpsuite/questionable/rgb24prof2.bmp", "the reference shows the colours after its ICC profile"},
    {"bmpsuite/questionable/rgb32-111110.bmp", "its 11-bit values are a level off the shared 8-bit reference"},
};

// Questionable files may be refused; those decoded must look as one of
// their references does.
TEST_F(BmpCorpus, QuestionableFilesAreRefusedOrMatchAReference) {
    int compared = 0;
    for (const CorpusEntry* e : bmps("questionable")) {
        const Decoded d = decode_file(full(e->path));
        if (!d.ok || kNotTheirPixels.count(e->path)) continue;
        const std::string diff = against_references(e->path, d.image);
        if (diff == "none") continue;
        EXPECT_EQ(diff, "") << e->path;
        ++compared;
    }
    // Short tables, 2-bit pixels, odd masks, alpha, RLE gaps and cuts, OS/2
    // 2.x headers.
    EXPECT_EQ(compared, 35);
}

// Damage that shows in the headers is refused before any pixel exists.
TEST_F(BmpCorpus, InvalidHeadersAreRefused) {
    const std::set<std::string> refused = {
        "bmpsuite/bad/badbitcount.bmp",  "bmpsuite/bad/badheadersize.bmp", "bmpsuite/bad/badplanes.bmp",
        "bmpsuite/bad/badwidth.bmp",     "bmpsuite/bad/reallybig.bmp",     "bmpsuite/bad/rletopdown.bmp",
        "bmpsuite/bad/shortfile.bmp",    "bmp-extra/image-rs/bad/Bad_height.bmp",
        "bmp-extra/image-rs/bad/Bad_width.bmp", "bmp-extra/image-rs/bad/Bad_reallybig.bmp",
    };
    for (const std::string& path : refused) {
        const Decoded d = decode_file(full(path));
        EXPECT_FALSE(d.info) << path;
        EXPECT_FALSE(d.ok) << path;
    }
    // Everything else of the class just must not do harm (run under ASan).
    for (const CorpusEntry* e : bmps("invalid")) decode_file(full(e->path));
}

// --- Hand-made files ---------------------------------------------------

void put16(std::string& s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, size_t at, uint32_t v) {
    put16(s, at, v & 0xFFFF);
    put16(s, at + 2, v >> 16);
}

struct BmpLayout {
    int32_t width = 1;
    int32_t height = 1;
    int bpp = 24;
    uint32_t compression = 0;
    uint32_t header_size = 40;
    std::vector<uint32_t> masks;  // in the header from 52 bytes on, else after it
    std::vector<QRgb> palette;
    std::string pixels;
};

std::string make_bmp(const BmpLayout& layout) {
    const bool masks_after = layout.header_size == 40 && !layout.masks.empty();
    const size_t table = (masks_after ? 4 * layout.masks.size() : 0) + 4 * layout.palette.size();
    const size_t offset = 14 + layout.header_size + table;
    std::string s(offset, '\0');
    s[0] = 'B';
    s[1] = 'M';
    put32(s, 2, static_cast<uint32_t>(offset + layout.pixels.size()));
    put32(s, 10, static_cast<uint32_t>(offset));
    put32(s, 14, layout.header_size);
    put32(s, 18, static_cast<uint32_t>(layout.width));
    put32(s, 22, static_cast<uint32_t>(layout.height));
    put16(s, 26, 1);
    put16(s, 28, static_cast<uint32_t>(layout.bpp));
    put32(s, 30, layout.compression);
    put32(s, 46, static_cast<uint32_t>(layout.palette.size()));
    size_t at = 14 + 40;
    for (uint32_t m : layout.masks) {
        put32(s, at, m);
        at += 4;
    }
    at = 14 + layout.header_size + (masks_after ? 4 * layout.masks.size() : 0);
    for (QRgb c : layout.palette) {
        put32(s, at, c & 0xFFFFFF);
        at += 4;
    }
    return s + layout.pixels;
}

// Notes what the decoder asks of it, keeping only the last row.
class RecordingSink : public RowSink {
public:
    bool start(QSize size, QImage::Format format) override {
        ++starts;
        this->format = format;
        row_.assign(static_cast<size_t>(std::max(size.width(), 0)), 0);
        return accept;
    }
    uchar* row(int) override { return reinterpret_cast<uchar*>(row_.data()); }
    void row_done(int y) override {
        rows.push_back(y);
        first_pixels.push_back(row_.empty() ? 0 : row_[0]);
    }

    bool accept = true;
    int starts = 0;
    QImage::Format format = QImage::Format_Invalid;
    std::vector<int> rows;
    std::vector<QRgb> first_pixels;

private:
    std::vector<QRgb> row_;
};

class BmpMade : public ::testing::Test {
protected:
    Decoded decode(const BmpLayout& layout) { return decode_file(dir_.write("t.bmp", make_bmp(layout)).string()); }
    bool decode_into(const std::string& bytes, RowSink& sink) {
        const auto input = FileInput::open(dir_.write("t.bmp", bytes).c_str());
        return input && decode_bmp(*input, sink);
    }
    TempDir dir_;
};

TEST_F(BmpMade, AHugeSizeInATinyFileIsRefusedBeforeAnyAllocation) {
    BmpLayout layout;
    layout.width = layout.height = 32768;
    layout.pixels = std::string(6, '\0');
    const std::string bytes = make_bmp(layout);
    ASSERT_EQ(bytes.size(), 60u);
    RecordingSink sink;
    EXPECT_FALSE(decode_into(bytes, sink));
    EXPECT_EQ(sink.starts, 0);
    EXPECT_FALSE(decode(layout).info);

    // Each side within the cap, but too many pixels together.
    layout.width = 16385;
    layout.height = 8193;
    EXPECT_FALSE(decode_into(make_bmp(layout), sink));
    EXPECT_EQ(sink.starts, 0);
}

TEST_F(BmpMade, RowsComeTopToBottomFromEitherStorageOrder) {
    BmpLayout layout;
    layout.height = 3;
    layout.pixels = std::string("\x00\x00\xff\0\x00\xff\x00\0\xff\x00\x00\0", 12);  // red, green, blue rows
    RecordingSink up;
    ASSERT_TRUE(decode_into(make_bmp(layout), up));
    EXPECT_EQ(up.rows, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(up.first_pixels, (std::vector<QRgb>{0xff0000ffu, 0xff00ff00u, 0xffff0000u}));
    EXPECT_EQ(up.format, QImage::Format_RGB32);

    layout.height = -3;
    RecordingSink down;
    ASSERT_TRUE(decode_into(make_bmp(layout), down));
    EXPECT_EQ(down.first_pixels, (std::vector<QRgb>{0xffff0000u, 0xff00ff00u, 0xff0000ffu}));

    RecordingSink full;
    full.accept = false;
    EXPECT_FALSE(decode_into(make_bmp(layout), full));
    EXPECT_TRUE(full.rows.empty());

    // A pixel array cut short is refused.
    layout.pixels.resize(9);
    EXPECT_FALSE(decode(layout).info);
}

TEST_F(BmpMade, NarrowChannelsWidenToFullRange) {
    BmpLayout layout;
    layout.width = 4;
    layout.bpp = 16;
    layout.compression = 3;
    layout.masks = {0xF800, 0x07E0, 0x001F};
    // White, blue, 10000 100000 10000, red 3 of 31.
    layout.pixels = std::string("\xff\xff\x1f\x00\x10\x84\x00\x18", 8);
    const Decoded d = decode(layout);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.pixel(0, 0), 0xffffffffu);
    EXPECT_EQ(d.image.pixel(1, 0), 0xff0000ffu);
    EXPECT_EQ(d.image.pixel(2, 0), 0xff848284u);
    EXPECT_EQ(d.image.pixel(3, 0), 0xff190000u);  // 24.7 rounds up
}

TEST_F(BmpMade, OnlyAnAlphaMaskGivesAlpha) {
    BmpLayout layout;
    layout.width = 2;
    layout.bpp = 32;
    layout.pixels = std::string("\x10\x20\x30\x00\x10\x20\x30\x80", 8);
    Decoded d = decode(layout);  // uncompressed: the fourth byte is padding
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.format(), QImage::Format_RGB32);
    EXPECT_EQ(d.image.pixel(0, 0), 0xff302010u);
    EXPECT_EQ(d.image.pixel(1, 0), 0xff302010u);

    layout.header_size = 124;
    layout.compression = 3;
    layout.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    d = decode(layout);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(d.image.pixel(0, 0), 0x00302010u);
    EXPECT_EQ(d.image.pixel(1, 0), 0x80302010u);
}

TEST_F(BmpMade, ShortTablesAndStrayIndicesDrawBlack) {
    for (uint32_t header_size : {40u, 64u}) {  // 64: OS/2 2.x
        BmpLayout layout;
        layout.header_size = header_size;
        layout.width = 3;
        layout.bpp = 8;
        layout.palette = {0xff0000ffu, 0xff00ff00u};
        layout.pixels = std::string("\x01\x00\xfe\0", 4);
        const Decoded d = decode(layout);
        ASSERT_TRUE(d.ok) << header_size;
        EXPECT_EQ(d.image.pixel(0, 0), 0xff00ff00u);
        EXPECT_EQ(d.image.pixel(1, 0), 0xff0000ffu);
        EXPECT_EQ(d.image.pixel(2, 0), 0xff000000u);
    }
}

TEST_F(BmpMade, RunLengthPixelsLeftOutAreTransparent) {
    BmpLayout layout;
    layout.width = 4;
    layout.height = 2;
    layout.bpp = 8;
    layout.compression = 1;
    layout.palette = {0xff0000ffu, 0xff00ff00u};
    // Bottom row: 4 of index 1; top row: a delta of 2, then an absolute run
    // of 3 (one past the edge), then the end.
    layout.pixels = std::string("\x04\x01\x00\x00\x00\x02\x02\x00\x00\x03\x01\x00\x01\x00\x00\x01", 16);
    Decoded d = decode(layout);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(d.image.pixel(0, 0), 0u);
    EXPECT_EQ(d.image.pixel(1, 0), 0u);
    EXPECT_EQ(d.image.pixel(2, 0), 0xff00ff00u);
    EXPECT_EQ(d.image.pixel(3, 0), 0xff0000ffu);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(d.image.pixel(x, 1), 0xff00ff00u);

    // Every pixel set: opaque.
    layout.pixels = std::string("\x04\x00\x00\x00\x04\x01\x00\x01", 8);
    d = decode(layout);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.format(), QImage::Format_RGB32);
    EXPECT_EQ(d.image.pixel(0, 0), 0xff00ff00u);
    EXPECT_EQ(d.image.pixel(0, 1), 0xff0000ffu);

    // Stored top down, a run-length file is refused.
    layout.height = -2;
    EXPECT_FALSE(decode(layout).info);
}

}  // namespace
}  // namespace tervo::imagelib
