// What the format decoders' tests share: the corpus, decoding a file whole,
// a sink that keeps no rows, and comparing pixels.
#pragma once

#include "imagelib/decoder.h"
#include "tests/support/corpus.h"
#include "tests/support/temp_dir.h"

#include <QImage>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tervo::testing {

// The manifest's test files of one format (png, gif, ...).
std::vector<CorpusEntry> corpus_tests(const std::vector<CorpusEntry>& manifest, const std::string& format);

struct Decoded {
    std::optional<imagelib::ImageInfo> info;
    bool decoded = false;
    QImage image;  // what the sink holds, also after a failed decode
};

using InfoReader = std::function<std::optional<imagelib::ImageInfo>(const imagelib::FileInput&)>;
using Decoder = std::function<bool(const imagelib::FileInput&, imagelib::RowSink&)>;

// Opens `path`, reads its header and decodes it whole when the header is
// accepted.
Decoded decode_file(const std::string& path, const InfoReader& info, const Decoder& decode);

// Keeps one row only, and checks what the decoder does with it: rows asked
// and finished once each, in order. Records the resident memory as rows go.
class CountingSink : public imagelib::RowSink {
public:
    explicit CountingSink(bool accept = true) : accept_(accept) {}
    bool start(QSize size, QImage::Format format) override;
    uchar* row(int y) override;
    void row_done(int y) override;

    int starts = 0;
    QSize size;
    QImage::Format format = QImage::Format_Invalid;
    int rows_done = 0;
    bool in_order = true;
    int64_t peak_resident = 0;  // bytes, sampled every 256 rows

private:
    bool accept_;
    std::vector<uchar> row_;
};

// The process's resident memory in bytes now, and the most it has had.
int64_t resident_bytes();
int64_t peak_resident_bytes();

// Largest channel difference, alpha included, both images compared
// premultiplied (hidden colours of transparent pixels do not count); 256
// when the sizes differ.
int max_difference(const QImage& a, const QImage& b);

}  // namespace tervo::testing
