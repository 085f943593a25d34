// The library against third-party image suites (the shared corpus): valid
// files load at their listed size with their reference pixels, and no file
// of any class crashes the chain of the show.
#include "imagelib/imgctl.h"
#include "tests/imagelib/corpus_manifest.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

namespace tervo {
namespace {

using testing::CorpusEntry;
using testing::head_size;

const std::set<std::string> kImageFormats = {"bmp", "png", "gif", "jpeg"};

// Valid files that Qt's readers cannot decode, and why.
// Qt 6.4's BMP reader knows the 12-, 40-, 108- and 124-byte headers but not
// the 56-byte BITMAPV3INFOHEADER with its own channel masks.
const char kV3Header[] = "56-byte V3 info header unknown to Qt's BMP reader";
const std::map<std::string, std::string> kUndecodable = {
    {"bmp-extra/image-rs/images/V3_A1_R5_G5_B5.bmp", kV3Header},
    {"bmp-extra/image-rs/images/V3_A1_R5_G5_B5_Top_Down.bmp", kV3Header},
    {"bmp-extra/image-rs/images/V3_A4_R4_G4_B4.bmp", kV3Header},
    {"bmp-extra/image-rs/images/V3_A4_R4_G4_B4_Top_Down.bmp", kV3Header},
    {"bmp-extra/image-rs/images/V3_R5_G6_B5.bmp", kV3Header},
    {"bmp-extra/image-rs/images/V3_R5_G6_B5_Top_Down.bmp", kV3Header},
    {"bmp-extra/image-rs/images/V3_X4_R4_G4_B4.bmp", kV3Header},
    {"bmp-extra/image-rs/images/V3_X4_R4_G4_B4_Top_Down.bmp", kV3Header},
    {"bmp-extra/image-rs/images/V3_X8_R8_G8_B8.bmp", kV3Header},
    {"bmp-extra/image-rs/images/V3_X8_R8_G8_B8_Top_Down.bmp", kV3Header},
};

class Corpus : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testing::corpus_dir();
        if (dir_.empty()) GTEST_SKIP() << "no image corpus on this machine";
        entries_ = testing::read_manifest(dir_);
        ASSERT_FALSE(entries_.empty());
    }

    std::string full(const std::string& relative) const { return (dir_ / relative).string(); }

    std::vector<const CorpusEntry*> tests(const std::string& klass) const {
        std::vector<const CorpusEntry*> out;
        for (const CorpusEntry& e : entries_)
            if (e.role == "test" && e.klass == klass && kImageFormats.count(e.format)) out.push_back(&e);
        return out;
    }

    std::filesystem::path dir_;
    std::vector<CorpusEntry> entries_;
};

// References that do not show the decoded first image, and why.
const std::map<std::string, std::string> kNotPixelReferences = {
    {"jpeg/libjpeg-turbo/testorig.png", "differs from testorig.ppm, the decoded JPEG, by up to 183"},
    {"gif/image-rs/reference/anim/border_touching_layers.gif.png",
     "leaves the canvas outside the first frame transparent where Qt paints the background colour"},
};

// Valid files Qt decodes other than their reference shows, and why.
const char kSixteenBitColourKey[] =
    "Qt 6.4 ignores the tRNS colour key of a 16-bit RGB PNG and decodes the keyed colour opaque";
const std::map<std::string, std::string> kQtDiffers = {
    {"pngsuite/png/tbbn2c16.png", kSixteenBitColourKey},
    {"pngsuite/png/tbgn2c16.png", kSixteenBitColourKey},
};

// Lossless files whose reference rounds differently from Qt, and by how much.
int lossless_tolerance(const CorpusEntry& test, const CorpusEntry& reference) {
    // Qt widens 5- and 6-bit channels by shifting, the reference by repeating
    // the high bits: up to 7 apart.
    if (test.path.find("/rgb16") != std::string::npos) return 7;
    // 16-bit samples brought to 8 bits: rounding against truncation.
    if (reference.path.find("16") != std::string::npos && reference.format == "json") return 1;
    return 0;
}

// The image exactly as the library holds it: drawn with SRCCOPY onto a
// premultiplied canvas of its own size, transparent where nothing lands.
QImage library_pixels(ImageHandle image) {
    const QSize size = head_size(image);
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) return canvas;
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    const int drawn = DIBtoDCex2(&painter, 0, 0, size.width(), size.height(), image, 0, 0, size.width(),
                                 size.height(), SRCCOPY, 1);
    painter.end();
    return drawn ? canvas : QImage();
}

struct Difference {
    int max = 0;
    double mean = 0;
};

// Channel differences of two equally sized images, alpha included, both
// compared premultiplied (so hidden colours of transparent pixels count not).
Difference compare(const QImage& a, const QImage& b) {
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Difference d;
    double sum = 0;
    for (int y = 0; y < pa.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(pa.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(pb.constScanLine(y));
        for (int x = 0; x < pa.width(); ++x)
            for (int shift : {0, 8, 16, 24}) {
                const int delta = std::abs(int((ra[x] >> shift) & 0xff) - int((rb[x] >> shift) & 0xff));
                d.max = std::max(d.max, delta);
                sum += delta;
            }
    }
    d.mean = pa.isNull() ? 0 : sum / (4.0 * pa.width() * pa.height());
    return d;
}

// The manifest lists the stored size; EXIF orientations 5 to 8 stand the
// picture on its side.
QSize upright_size(const CorpusEntry& e) {
    for (const char* quarter_turn : {"orientation LeftTop", "orientation RightTop", "orientation RightBottom",
                                     "orientation LeftBottom"})
        if (e.notes.find(quarter_turn) != std::string::npos) return QSize(e.height, e.width);
    return QSize(e.width, e.height);
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A reference file's pixels at the size of the image it describes; a null
// image for kinds of reference this test does not read.
QImage reference_pixels(const CorpusEntry& reference, const std::string& path, QSize size) {
    if (reference.format == "png" || reference.format == "ppm" || reference.format == "jpeg") {
        QImageReader reader(QString::fromStdString(path));
        return reader.read();
    }
    if (reference.format == "raw-rgb") {
        const std::string bytes = file_bytes(path);
        if (bytes.size() != size_t(size.width()) * size_t(size.height()) * 3) return QImage();
        QImage image(size, QImage::Format_RGB888);
        for (int y = 0; y < size.height(); ++y)
            std::memcpy(image.scanLine(y), bytes.data() + size_t(y) * size_t(size.width()) * 3,
                        size_t(size.width()) * 3);
        return image;
    }
    if (reference.format == "json") {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::ReadOnly)) return QImage();
        const QJsonArray values = QJsonDocument::fromJson(file.readAll()).array();
        if (values.size() != qsizetype(size.width()) * size.height() * 4) return QImage();
        // RGBA samples of 8 bits, or of 16 bits for 16-bit files.
        bool sixteen_bits = false;
        for (const QJsonValue& v : values) sixteen_bits = sixteen_bits || v.toInt() > 255;
        QImage image(size, QImage::Format_RGBA8888);
        qsizetype i = 0;
        for (int y = 0; y < size.height(); ++y) {
            uchar* row = image.scanLine(y);
            for (int x = 0; x < size.width() * 4; ++x) {
                const int v = values[i++].toInt();
                row[x] = uchar(sixteen_bits ? (v * 255 + 32767) / 65535 : v);
            }
        }
        return image;
    }
    return QImage();
}

// The test files a reference row describes: the paths in its ref_for
// column, leaving out references to frames after the first.
std::vector<std::string> described_files(const CorpusEntry& reference) {
    if (reference.ref_for.find("(frame ") != std::string::npos &&
        reference.ref_for.find("(frame 0)") == std::string::npos)
        return {};
    std::vector<std::string> files;
    std::istringstream words(reference.ref_for);
    std::string word;
    while (words >> word)
        if (word.find('/') != std::string::npos && word.front() != '(') files.push_back(word);
    return files;
}

TEST_F(Corpus, ValidFilesLoadAtTheirSize) {
    int loaded = 0;
    std::set<std::string> undecodable;
    for (const CorpusEntry* e : tests("valid")) {
        SCOPED_TRACE(e->path);
        const ImageHandle image = ToDIB(full(e->path).c_str());
        if (image == 0) {
            undecodable.insert(e->path);
            continue;
        }
        if (e->width > 0) {
            EXPECT_EQ(head_size(image), upright_size(*e));
        }
        if (library_pixels(image).isNull())
            undecodable.insert(e->path);
        else
            ++loaded;
        DeleteDIB(image);
    }
    std::set<std::string> expected;
    for (const auto& [path, reason] : kUndecodable) expected.insert(path);
    EXPECT_EQ(undecodable, expected);
    std::printf("valid files decoded: %d of %zu\n", loaded, tests("valid").size());
}

TEST_F(Corpus, ValidFilesMatchTheirReferencePixels) {
    int compared = 0;
    std::vector<std::string> report;
    for (const CorpusEntry& reference : entries_) {
        if (reference.role != "reference") continue;
        for (const std::string& described : described_files(reference)) {
            auto test = std::find_if(entries_.begin(), entries_.end(),
                                     [&](const CorpusEntry& e) { return e.path == described; });
            if (test == entries_.end() || test->klass != "valid" || kUndecodable.count(described) ||
                kNotPixelReferences.count(reference.path) || kQtDiffers.count(described))
                continue;
            // giflib's raw dumps show the screen after every frame.
            if (reference.format == "raw-rgb" && test->frames > 1) continue;
            // A reference of another size shows a display choice (such as
            // stretching non-square pixels), not the decoded pixels.
            if (reference.width > 0 && (reference.width != test->width || reference.height != test->height))
                continue;
            SCOPED_TRACE(described + " against " + reference.path);
            const ImageHandle image = ToDIB(full(described).c_str());
            ASSERT_NE(image, 0u);
            const QImage ours = library_pixels(image);
            DeleteDIB(image);
            const QImage expected = reference_pixels(reference, full(reference.path), ours.size());
            if (expected.isNull()) continue;  // a kind of reference not read here
            ASSERT_EQ(expected.size(), ours.size());
            // A reference without alpha cannot say what transparent pixels hold.
            QImage ours_compared = ours;
            if (!expected.hasAlphaChannel()) {
                ours_compared = ours.convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < ours_compared.height(); ++y)
                    for (int x = 0; x < ours_compared.width(); ++x)
                        if (qAlpha(ours_compared.pixel(x, y)) != 255)
                            ours_compared.setPixel(x, y, expected.pixel(x, y));
            }
            const Difference d = compare(ours_compared, expected);
            if (test->format == "jpeg") {
                // Decoders may round the inverse DCT and upsampling differently.
                EXPECT_LE(d.mean, 1.5);
                EXPECT_LE(d.max, 40);
            } else {
                EXPECT_LE(d.max, lossless_tolerance(*test, reference));
            }
            std::ostringstream line;
            line << described << " max " << d.max << " mean " << d.mean;
            report.push_back(line.str());
            ++compared;
        }
    }
    std::printf("reference comparisons: %d\n", compared);
    if (std::getenv("TERVO_CORPUS_REPORT"))
        for (const std::string& line : report) std::printf("  %s\n", line.c_str());
    EXPECT_GT(compared, 100);
}

// The show's whole chain, shrinking (a reduced-scale decode for JPEG) and at
// full size, on every file of every class; invalid files may load as long
// as nothing breaks.
TEST_F(Corpus, EveryFileSurvivesTheWholeChain) {
    std::map<std::string, int> refused;
    std::map<std::string, int> total;
    QImage surface(400, 300, QImage::Format_RGB32);
    for (const char* klass : {"valid", "questionable", "invalid"}) {
        for (const CorpusEntry* e : tests(klass)) {
            SCOPED_TRACE(e->path);
            ++total[klass];
            for (bool shrink : {true, false}) {
                const ImageHandle image = ToDIB(full(e->path).c_str());
                if (image == 0) {
                    if (shrink) ++refused[klass];
                    break;
                }
                TurnDIB(image, 90);
                DIBto24Bit(image);
                QSize size = head_size(image);
                if (shrink) size = size.scaled(200, 150, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
                ResizeDIB(image, size.width(), size.height());
                QPainter painter(&surface);
                DIBtoDCex2(&painter, 0, 44, size.width(), size.height(), image, 0, 0, size.width(), size.height(),
                           SRCCOPY, 1);
                painter.end();
                EXPECT_EQ(DeleteDIB(image), 1);
            }
        }
    }
    EXPECT_EQ(refused["valid"], int(kUndecodable.size()));
    for (const auto& [klass, count] : total)
        std::printf("%s: %d files, %d refused by ToDIB, the rest ran the chain\n", klass.c_str(), count,
                    refused[klass]);
}

}  // namespace
}  // namespace tervo

namespace tervo {
namespace {

// The same photo stored in all eight EXIF orientations: shrunk on load (a
// reduced-scale decode), turned or not, every copy comes out like the
// upright one.
TEST(CorpusOrientation, EveryOrientationComesOutUprightWhenShrunk) {
    const std::filesystem::path dir = testing::corpus_dir() / "photos" / "exif-orientation-examples";
    if (!std::filesystem::exists(dir / "Landscape_1.jpg")) GTEST_SKIP() << "no orientation examples";
    auto shown = [&](const std::string& name, int turn, int divisor) {
        const ImageHandle image = ToDIB((dir / name).c_str());
        if (turn) TurnDIB(image, turn);
        DIBto24Bit(image);
        const QSize full = head_size(image);
        ResizeDIB(image, full.width() / divisor, full.height() / divisor);
        QImage pixels = testing::drawn_pixels(image);
        DeleteDIB(image);
        return pixels;
    };
    for (const char* kind : {"Landscape", "Portrait"}) {
        for (int turn : {0, 90}) {
            for (int divisor : {3, 8}) {
                const QImage upright = shown(std::string(kind) + "_1.jpg", turn, divisor);
                for (int orientation = 2; orientation <= 8; ++orientation) {
                    const std::string name = std::string(kind) + "_" + std::to_string(orientation) + ".jpg";
                    SCOPED_TRACE(name + " turned " + std::to_string(turn) + " shrunk 1/" + std::to_string(divisor));
                    EXPECT_LT(testing::mean_channel_difference(shown(name, turn, divisor), upright), 4);
                }
            }
        }
    }
}

}  // namespace
}  // namespace tervo
