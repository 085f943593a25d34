// The shared image corpus's MANIFEST.tsv.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tervo::testing {

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

}  // namespace tervo::testing
