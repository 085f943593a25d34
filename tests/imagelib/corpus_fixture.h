// A test over the shared image corpus: its folder and manifest, read before
// each test; skipped on a machine without the corpus.
#pragma once

#include "tests/support/corpus.h"

#include <gtest/gtest.h>

namespace tervo::testing {

class CorpusTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = corpus_dir();
        if (dir_.empty()) GTEST_SKIP() << "no image corpus on this machine";
        entries_ = read_manifest(dir_);
        ASSERT_FALSE(entries_.empty());
    }

    std::filesystem::path dir_;
    std::vector<CorpusEntry> entries_;
};

}  // namespace tervo::testing
