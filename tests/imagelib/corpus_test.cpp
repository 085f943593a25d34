// The library against third-party image suites (the shared corpus). Every
// valid file goes through the show's own chain (ToDIB, TurnDIB, DIBto24Bit,
// HeadDIB, ResizeDIB, DIBtoDCex2) three ways: at its own size, turned a
// quarter clockwise and shrunk to a quarter as a fitted picture is, each
// against reference pixels over white. References are the suites' own where
// they ship them, otherwise ImageMagick's decode of the same file. No file of
// any class may harm the chain.
#include "imagelib/imgctl.h"
#include "tests/imagelib/corpus_fixture.h"
#include "tests/imagelib/reference_images.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace tervo {
namespace {

using testing::CorpusEntry;
using testing::head_size;
using testing::PixelDifference;

const std::set<std::string> kImageFormats = {"bmp", "png", "gif", "jpeg"};

// The three ways a valid file is shown.
enum Check : unsigned { kOwnSize = 1, kTurned = 2, kQuarter = 4, kEveryCheck = 7 };

const char* check_name(Check check) {
    switch (check) {
        case kOwnSize: return "own size";
        case kTurned: return "turned 90";
        case kQuarter: return "quarter";
        default: return "?";
    }
}

// Every exception of this test, with its reason. A test file listed here is
// still run and reported. The checks named are held to `max_difference`
// instead (at own size and turned) when it is 0 or more, otherwise not held
// against the file at all. A reference file listed (checks 0) is not used.
struct Exception {
    unsigned checks;
    int max_difference;
    const char* reason;
};
// The library scales a channel of n bits as 255 * v / (2^n - 1), rounded,
// as bmpsuite's references do; ImageMagick, the reference for image-rs's
// BMPs, widens them its own ways.
const char kFourBitChannels[] =
    "ImageMagick, the reference, widens 4-bit channels by shifting (15 to 240, not 255)";
const std::map<std::string, Exception> kExceptions = {
    {"jpeg/libjpeg-turbo/testorig.png",
     {0, -1, "not the decoded testorig.jpg: it differs from testorig.ppm, the suite's decode, by up to 183"}},
    {"bmp-extra/image-rs/images/V3_X4_R4_G4_B4.bmp", {kEveryCheck, 15, kFourBitChannels}},
    {"bmp-extra/image-rs/images/V3_X4_R4_G4_B4_Top_Down.bmp", {kEveryCheck, 15, kFourBitChannels}},
    {"bmp-extra/image-rs/images/V4_R5_G6_B5.bmp",
     {kOwnSize | kTurned, 1,
      "ImageMagick, the reference, widens 5- and 6-bit channels its own way (a 5-bit 3 is 24, rounded scaling "
      "gives 25): within 1"}},
    {"jpeg/pillow/pil_sample_cmyk.jpg",
     {kQuarter, -1,
      "CMYK: the conversion to RGB multiplies channels the DCT scaling has already averaged, so shrunk colours "
      "differ from averages of converted ones (27.7 dB; ImageMagick's own DCT-scaled decode: 27.6 dB)"}},
    {"gif/pillow/issue_2811.gif",
     {kEveryCheck, -1,
      "LZW minimum code size 11 where GIF allows at most 8: giflib refuses the pixels, the image draws nothing"}},
    {"bmp-extra/pillow/rgb32bf-rgba.bmp",
     {kOwnSize | kTurned, 1,
      "half-transparent pixels over white: Qt composites through premultiplied colour, which rounds one channel "
      "of one pixel a level away from ImageMagick: within 1"}},
    {"bmp-extra/image-rs/images/V5_A1_R5_G5_B5.bmp",
     {kEveryCheck, -1, "ImageMagick, the reference, widens the 1-bit alpha to 128 instead of 255: half see-through"}},
};

const Exception* exception_for(const std::string& path, Check check) {
    auto it = kExceptions.find(path);
    return it != kExceptions.end() && (it->second.checks & check) ? &it->second : nullptr;
}

// How far the library's pixels may lie from the reference.
struct Limits {
    int max;
    double mean;
    double quarter_psnr;  // dB, for the shrunk picture
};

// Decoders may round JPEG's inverse DCT and chroma upsampling differently:
// within a mean of 1.5 and 40 levels at most. A quarter-size picture comes
// from libjpeg's DCT scaling (an 8x8 block reduced to 2x2 in the frequency
// domain), not from averaging the full decode. Measured against the
// area-averaged reference: where the scaled pixels line up with 4x4 source
// pixels (sides divisible by 4) they lie 40 to 48 dB from it; on the
// sharpest picture here with sides that are not (rgb.jpg, 500x333),
// ImageMagick's own DCT-scaled decode reaches 29.4 dB when only the pixels
// that line up are kept, and 21.0 dB when the partial last block is
// stretched over the picture. 28 dB lets the former pass and not the latter.
constexpr Limits kJpegLimits{40, 1.5, 28.0};
// Lossless formats: exact, shrunk as Qt's area averaging does.
constexpr Limits kLosslessLimits{0, 0.0, 40.0};
// 16-bit samples brought to 8 bits: truncating against rounding.
constexpr Limits kSixteenBitLimits{1, 1.0, 40.0};

class Corpus : public testing::CorpusTest {
protected:
    void SetUp() override {
        testing::CorpusTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        for (const CorpusEntry& e : entries_) by_path_[e.path] = &e;
    }

    std::filesystem::path full(const std::string& relative) const { return dir_ / relative; }

    std::vector<const CorpusEntry*> tests(const std::string& klass, const std::string& format = {}) const {
        std::vector<const CorpusEntry*> out;
        for (const CorpusEntry& e : entries_)
            if (e.role == "test" && e.klass == klass && kImageFormats.count(e.format) &&
                (format.empty() || e.format == format))
                out.push_back(&e);
        return out;
    }

    // Runs every valid file of `format` three ways against its references.
    void check_valid_files(const std::string& format);

    std::map<std::string, const CorpusEntry*> by_path_;
};

// The manifest lists the stored size; EXIF orientations 5 to 8 stand the
// picture on its side.
QSize upright_size(const CorpusEntry& e) {
    for (const char* quarter_turn : {"orientation LeftTop", "orientation RightTop", "orientation RightBottom",
                                     "orientation LeftBottom"})
        if (e.notes.find(quarter_turn) != std::string::npos) return QSize(e.height, e.width);
    return QSize(e.width, e.height);
}

// What the show puts on screen for the file: turned by `turn`, converted,
// and resized to its own size or to a quarter (w/4 × h/4, at least 1).
struct Shown {
    QImage pixels;  // null when ToDIB refused the file
    QSize head;     // HeadDIB after the turn, before the resize
};

Shown show(const std::filesystem::path& path, int turn, bool quarter) {
    Shown shown;
    const Image image_owner = Image::load(path.c_str());
    const ImageHandle image = image_owner.get();
    if (image == 0) return shown;
    if (turn) {
        EXPECT_EQ(TurnDIB(image, turn), 1);
    }
    EXPECT_EQ(DIBto24Bit(image), 1);
    shown.head = head_size(image);
    QSize target = shown.head;
    if (quarter) target = QSize(std::max(1, target.width() / 4), std::max(1, target.height() / 4));
    EXPECT_EQ(ResizeDIB(image, target.width(), target.height()), 1);
    // An empty or undrawn image leaves the canvas's own colour, which no
    // reference shows across a whole picture.
    shown.pixels = testing::drawn_pixels(image, 0xff123456);
    return shown;
}

// One reference for a test file, already over white at the upright size.
struct Reference {
    std::string source;  // reference file, or the second decoder
    QImage flattened;
    std::vector<QRgb> palette;  // giflib's colour map: the only colours allowed
    QSize screen;               // giflib's dump: the logical screen size
};

bool is_pixel_reference(const CorpusEntry& r) {
    return r.format == "png" || r.format == "json" || r.format == "ppm" || r.format == "raw-rgb" ||
           r.format == "gif-colormap(text)" || r.format == "gif-dump(text)";
}

// The suites' references for `test`, read; the second decoder's decode when
// they ship none that shows the first picture at the file's size.
std::vector<Reference> references_for(const CorpusEntry& test, const std::vector<CorpusEntry>& entries,
                                       const std::filesystem::path& dir, std::string* error) {
    std::vector<Reference> found;
    bool has_pixels = false;
    const QSize size(test.width, test.height);
    for (const CorpusEntry& r : entries) {
        if (r.role != "reference" || !is_pixel_reference(r) || kExceptions.count(r.path)) continue;
        if (!testing::shows_first_frame(r)) continue;
        const std::vector<std::string> files = testing::described_files(r);
        if (std::find(files.begin(), files.end(), test.path) == files.end()) continue;
        // A reference of another size shows a display choice (such as
        // stretching non-square pixels), not the decoded pixels.
        if (r.width > 0 && (r.width != test.width || r.height != test.height)) continue;
        Reference ref;
        ref.source = r.path;
        const std::filesystem::path path = dir / r.path;
        QImage pixels;
        if (r.format == "png") {
            pixels = QImage(QString::fromStdString(path.string()));
        } else if (r.format == "ppm") {
            pixels = testing::read_netpbm(testing::read_file(path));
        } else if (r.format == "json") {
            // PngSuite gives 16-bit files' samples as they are, and again
            // brought to 8 bits in a "_to8" file.
            const bool sixteen_bits = testing::png_bit_depth(dir / test.path) == 16 &&
                                      r.path.find("_to8.json") == std::string::npos;
            pixels = testing::read_sample_array_json(path, size, sixteen_bits);
        } else if (r.format == "raw-rgb") {
            // giflib's dump shows the screen after the last frame.
            if (test.frames > 1) continue;
            pixels = testing::read_raw_rgb(path, size);
        } else if (r.format == "gif-colormap(text)") {
            ref.palette = testing::read_gif_colour_map(path);
        } else {
            ref.screen = testing::read_gif_dump_screen(path);
        }
        if (!pixels.isNull()) {
            ref.flattened = testing::flattened_over_white(pixels);
            has_pixels = true;
        } else if (ref.palette.empty() && !ref.screen.isValid()) {
            *error = "unreadable reference " + r.path;
            return {};
        }
        found.push_back(std::move(ref));
    }
    if (!has_pixels) {
        Reference ref;
        ref.source = "ImageMagick";
        const QImage pixels = testing::decode_with_second_decoder(dir / test.path, error);
        if (pixels.isNull()) return {};
        ref.flattened = testing::flattened_over_white(pixels);
        found.push_back(std::move(ref));
    }
    return found;
}

Limits limits_for(const CorpusEntry& test, const std::filesystem::path& dir) {
    if (test.format == "jpeg") return kJpegLimits;
    if (test.format == "png" && testing::png_bit_depth(dir / test.path) == 16) return kSixteenBitLimits;
    return kLosslessLimits;
}

std::string figures(const PixelDifference& d) {
    std::ostringstream out;
    out.precision(3);
    if (!d.sizes_match) return "size differs";
    out << "max " << d.max << " mean " << d.mean << " psnr " << d.psnr;
    return out.str();
}

void Corpus::check_valid_files(const std::string& format) {
    const char* program = testing::second_decoder_program();
    ASSERT_TRUE(std::filesystem::exists(program))
        << program << " (ImageMagick, the second decoder) is missing: run scripts/install-deps.sh";
    const std::vector<const CorpusEntry*> valid = tests("valid", format);
    // References are read (ImageMagick run) on a few threads beforehand:
    // the second decoder's start-up dominates the time of this test.
    std::vector<std::vector<Reference>> all_references(valid.size());
    std::vector<std::string> errors(valid.size());
    {
        std::atomic<size_t> next{0};
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t)
            workers.emplace_back([&] {
                for (size_t i; (i = next++) < valid.size();)
                    all_references[i] = references_for(*valid[i], entries_, dir_, &errors[i]);
            });
        for (std::thread& worker : workers) worker.join();
    }
    int files = 0, from_suites = 0, from_second_decoder = 0;
    std::vector<std::string> failures;
    std::vector<std::string> rows;
    for (size_t index = 0; index < valid.size(); ++index) {
        const CorpusEntry* e = valid[index];
        ++files;
        SCOPED_TRACE(e->path);
        const std::filesystem::path path = full(e->path);
        const Limits limits = limits_for(*e, dir_);
        auto fail = [&](Check check, const std::string& what) {
            const std::string line = e->path + ": " + check_name(check) + ": " + what;
            const Exception* exception = exception_for(e->path, check);
            if (exception && exception->max_difference < 0) {
                rows.push_back(line + " (excepted)");
                return;
            }
            ADD_FAILURE() << line;
            failures.push_back(line);
        };

        const std::vector<Reference>& references = all_references[index];
        if (references.empty()) {
            fail(kOwnSize, "no reference: " + errors[index]);
            continue;
        }

        const Shown own = show(path, 0, false);
        const Shown turned = show(path, 90, false);
        const Shown quarter = show(path, 0, true);
        if (own.pixels.isNull()) {
            for (Check c : {kOwnSize, kTurned, kQuarter}) fail(c, "refused by ToDIB");
            continue;
        }
        const QSize upright = upright_size(*e);
        if (e->width > 0 && own.head != upright) {
            std::ostringstream what;
            what << "HeadDIB " << own.head.width() << "x" << own.head.height() << ", listed " << upright.width()
                 << "x" << upright.height();
            fail(kOwnSize, what.str());
        }
        if (turned.head != own.head.transposed()) fail(kTurned, "HeadDIB does not report the turned size");

        for (const Reference& ref : references) {
            if (ref.screen.isValid() && own.head != ref.screen)
                fail(kOwnSize, "not the logical screen of " + ref.source);
            if (!ref.palette.empty()) {
                // The first frame shows colours of the global map only (and
                // white where it is transparent).
                const std::set<QRgb> allowed(ref.palette.begin(), ref.palette.end());
                int strays = 0;
                for (int y = 0; y < own.pixels.height(); ++y)
                    for (int x = 0; x < own.pixels.width(); ++x) {
                        const QRgb c = own.pixels.pixel(x, y) | 0xff000000;
                        strays += !allowed.count(c) && c != 0xffffffff;
                    }
                if (strays) fail(kOwnSize, std::to_string(strays) + " pixels outside " + ref.source);
            }
            if (ref.flattened.isNull()) continue;
            (ref.source == "ImageMagick" ? from_second_decoder : from_suites)++;

            const PixelDifference d_own = testing::compare_rgb(own.pixels, ref.flattened);
            const QImage turned_ref = ref.flattened.transformed(QTransform().rotate(90));
            const PixelDifference d_turned = testing::compare_rgb(turned.pixels, turned_ref);
            const QSize quarter_size(std::max(1, ref.flattened.width() / 4),
                                     std::max(1, ref.flattened.height() / 4));
            const PixelDifference d_quarter =
                testing::compare_rgb(quarter.pixels, testing::shrunk_reference(ref.flattened, quarter_size));
            rows.push_back(e->path + " vs " + ref.source + ": own " + figures(d_own) + "; turned " +
                           figures(d_turned) + "; quarter " + figures(d_quarter));

            auto judge = [&](Check check, const PixelDifference& d) {
                int max = limits.max;
                double mean = limits.mean;
                if (const Exception* exception = exception_for(e->path, check)) {
                    max = std::max(max, exception->max_difference);
                    mean = std::max(mean, double(exception->max_difference));
                }
                if (!d.sizes_match || d.max > max || d.mean > mean) fail(check, figures(d) + " against " + ref.source);
            };
            judge(kOwnSize, d_own);
            judge(kTurned, d_turned);
            if (!d_quarter.sizes_match || d_quarter.psnr <= limits.quarter_psnr) {
                const Exception* exception = exception_for(e->path, kQuarter);
                if (exception && exception->max_difference >= 0)
                    rows.push_back(e->path + ": quarter against a reference known to differ (excepted)");
                else
                    fail(kQuarter, figures(d_quarter) + " against " + ref.source + " shrunk");
            }
        }
    }
    std::printf("%s: %d valid files, %d comparisons with the suites' references, %d with ImageMagick's; "
                "%zu failed checks\n",
                format.c_str(), files, from_suites, from_second_decoder, failures.size());
    if (std::getenv("TERVO_CORPUS_REPORT"))
        for (const std::string& row : rows) std::printf("  %s\n", row.c_str());
    EXPECT_GT(files, 0);
}

TEST_F(Corpus, ValidBmpFilesShowTheirReferencePixels) { check_valid_files("bmp"); }
TEST_F(Corpus, ValidPngFilesShowTheirReferencePixels) { check_valid_files("png"); }
TEST_F(Corpus, ValidGifFilesShowTheirReferencePixels) { check_valid_files("gif"); }
TEST_F(Corpus, ValidJpegFilesShowTheirReferencePixels) { check_valid_files("jpeg"); }

// The suites promise no failures for their plainly valid sets: bmpsuite's
// "good" files and PngSuite's files not named x*. The exception table must
// not reach them.
TEST_F(Corpus, NoExceptionsForTheSuitesPlainlyValidSets) {
    for (const auto& [path, exception] : kExceptions) {
        EXPECT_NE(path.rfind("bmpsuite/good/", 0), 0u) << path;
        if (path.rfind("pngsuite/png/", 0) == 0) {
            EXPECT_EQ(path.rfind("pngsuite/png/x", 0), 0u) << path;
        }
    }
    int good = 0;
    for (const CorpusEntry* e : tests("valid"))
        good += e->path.rfind("bmpsuite/good/", 0) == 0 || e->path.rfind("pngsuite/png/", 0) == 0;
    EXPECT_GT(good, 150);
}

// Questionable and invalid files: refused by ToDIB, or run through the
// show's whole chain, shrunk (a reduced-scale decode for JPEG) and at full
// size, without harm.
TEST_F(Corpus, QuestionableAndInvalidFilesAreRefusedOrShownHarmlessly) {
    std::map<std::string, int> refused;
    std::map<std::string, int> total;
    QImage surface(400, 300, QImage::Format_RGB32);
    for (const char* klass : {"questionable", "invalid"}) {
        for (const CorpusEntry* e : tests(klass)) {
            SCOPED_TRACE(e->path);
            ++total[klass];
            for (bool shrink : {true, false}) {
                Image image_owner = Image::load(full(e->path).c_str());
                const ImageHandle image = image_owner.get();
                if (image == 0) {
                    if (shrink) ++refused[klass];
                    break;
                }
                // A file that loads may still fail at any later step: what
                // counts here is only that no step does harm.
                static_cast<void>(TurnDIB(image, 90));
                static_cast<void>(DIBto24Bit(image));
                QSize size = head_size(image);
                if (shrink) size = size.scaled(200, 150, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
                static_cast<void>(ResizeDIB(image, size.width(), size.height()));
                QPainter painter(&surface);
                DIBtoDCex2(&painter, 0, 44, size.width(), size.height(), image, 0, 0, size.width(), size.height(),
                           SRCCOPY, 1);
                painter.end();
                EXPECT_EQ(DeleteDIB(image_owner.release()), 1);
            }
        }
    }
    EXPECT_EQ(live_image_count(), 0u);
    for (const auto& [klass, count] : total)
        std::printf("%s: %d files, %d refused by ToDIB, the rest ran the chain\n", klass.c_str(), count,
                    refused[klass]);
}

// The same photo stored in all eight EXIF orientations: shrunk on load (a
// reduced-scale decode), turned or not, every copy comes out like the
// upright one.
TEST(CorpusOrientation, EveryOrientationComesOutUprightWhenShrunk) {
    const std::filesystem::path dir = testing::corpus_dir() / "photos" / "exif-orientation-examples";
    if (!std::filesystem::exists(dir / "Landscape_1.jpg")) GTEST_SKIP() << "no orientation examples";
    auto shown = [&](const std::string& name, int turn, int divisor) {
        const Image image_owner = Image::load((dir / name).c_str());
        const ImageHandle image = image_owner.get();
        if (turn) {
            EXPECT_EQ(TurnDIB(image, turn), 1);
        }
        EXPECT_EQ(DIBto24Bit(image), 1);
        const QSize full = head_size(image);
        EXPECT_EQ(ResizeDIB(image, full.width() / divisor, full.height() / divisor), 1);
        QImage pixels = testing::drawn_pixels(image);
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
