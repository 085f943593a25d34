// Shows every file of the image corpus of the given classes (valid by
// default) through the library as the show does, at its own size and
// shrunk to a quarter, and prints a checksum of each picture drawn. Meant to
// run under valgrind's memcheck (scripts/memcheck-corpus.sh): the checksum
// is printed, so a pixel decoded from uninitialised memory is reported.
//
// Usage: imagelib_corpus_walk CORPUS_DIR [CLASS...]
#include "imagelib/imgctl.h"
#include "tests/support/corpus.h"
#include "tests/imagelib/sample_images.h"

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

namespace {

uint32_t checksum(const QImage& image) {
    uint32_t sum = 2166136261u;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (qsizetype x = 0; x < image.bytesPerLine(); ++x) sum = (sum ^ row[x]) * 16777619u;
    }
    return sum;
}

// The show's chain: load, convert, resize, draw, release.
bool show(const std::string& path, bool quarter, uint32_t* sum) {
    const tervo::Image image = tervo::Image::load(path.c_str());
    if (!image || tervo::DIBto24Bit(image.get()) == 0) return false;
    QSize size = tervo::testing::head_size(image.get());
    if (quarter) size = QSize(std::max(1, size.width() / 4), std::max(1, size.height() / 4));
    if (tervo::ResizeDIB(image.get(), size.width(), size.height()) == 0) return false;
    *sum = checksum(tervo::testing::drawn_pixels(image.get()));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR [CLASS...]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path corpus = argv[1];
    std::set<std::string> classes;
    for (int i = 2; i < argc; ++i) classes.insert(argv[i]);
    if (classes.empty()) classes.insert("valid");
    const std::set<std::string> formats = {"bmp", "png", "gif", "jpeg"};
    const std::vector<tervo::testing::CorpusEntry> entries = tervo::testing::read_manifest(corpus);
    if (entries.empty()) {
        std::fprintf(stderr, "no MANIFEST.tsv in %s\n", corpus.c_str());
        return 2;
    }
    int files = 0, refused = 0;
    for (const tervo::testing::CorpusEntry& e : entries) {
        if (e.role != "test" || !classes.count(e.klass) || !formats.count(e.format)) continue;
        ++files;
        // On stderr too, where memcheck reports: each report follows the
        // name of the file it came from.
        std::fprintf(stderr, "== %s\n", e.path.c_str());
        const std::string path = (corpus / e.path).string();
        uint32_t own = 0, quarter = 0;
        if (!show(path, false, &own) || !show(path, true, &quarter)) {
            ++refused;
            std::printf("%s refused\n", e.path.c_str());
            continue;
        }
        std::printf("%s %08x %08x\n", e.path.c_str(), own, quarter);
    }
    std::printf("%d files, %d refused\n", files, refused);
    return 0;
}
