// The shared image corpus: where it lies and what its MANIFEST.tsv says of
// each file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tervo::testing {

// The path of the shared image corpus, or an empty path when it is absent.
// TERVO_CORPUS_DIR in the environment names it elsewhere.
std::filesystem::path corpus_dir();

struct CorpusEntry {
    std::string path;    // relative to the corpus folder
    std::string format;  // bmp, jpeg, gif, png; others for reference files
    std::string klass;   // valid, questionable, invalid, n/a
    int width = -1;      // -1 when not given
    int height = -1;
    int frames = -1;
    std::string role;     // test, reference, doc
    std::string ref_for;  // for references: the test files they describe
    std::string notes;
};

// Every row of the manifest in `corpus`; empty when it cannot be read.
std::vector<CorpusEntry> read_manifest(const std::filesystem::path& corpus);

// The test files a reference row describes: the paths in its ref_for column,
// without the remarks in brackets ("(frame 2)", "(scaled decode)").
std::vector<std::string> described_files(const CorpusEntry& reference);

// Whether a reference shows the first frame of the files it describes (or
// their only one).
bool shows_first_frame(const CorpusEntry& reference);

}  // namespace tervo::testing
