#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "tests/support/corpus.h"
#include "tests/support/read_file.h"
#include "tests/support/temp_dir.h"

namespace tervo::testing {
namespace {

TEST(ReadFile, ReturnsEveryByteOrNothing) {
    TempDir dir;
    const std::string bytes("line\r\n\0\xff\x1a end", 13);
    EXPECT_EQ(read_file(dir.write("bytes.bin", bytes)), bytes);
    EXPECT_EQ(read_file(dir.write("empty", "")), "");
    EXPECT_EQ(read_file(dir.path() / "missing"), "");
    EXPECT_EQ(read_file(dir.path()), "") << "a folder";
}

TEST(CorpusManifest, ColumnsAreFoundByTheirNames) {
    TempDir dir;
    // Columns in another order, one the parser does not know, no frames
    // column, an empty line and a row ending in an empty field.
    dir.write("MANIFEST.tsv",
              "role\tpath\tsha256\tformat\tclass\twidth\theight\tref_for\tnotes\n"
              "test\tpng/a.png\tab12\tpng\tvalid\t32\t16\t\tplain\n"
              "\n"
              "reference\tref/a.raw\tcd34\traw-rgb\tn/a\t\t\tpng/a.png (frame 0)\t\n"
              "test\tbmp/b.bmp\tef56\tbmp\tinvalid\t-3\t99999999999\t\t\n");
    const std::vector<CorpusEntry> entries = read_manifest(dir.path());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].path, "png/a.png");
    EXPECT_EQ(entries[0].format, "png");
    EXPECT_EQ(entries[0].klass, "valid");
    EXPECT_EQ(entries[0].role, "test");
    EXPECT_EQ(entries[0].width, 32);
    EXPECT_EQ(entries[0].height, 16);
    EXPECT_EQ(entries[0].frames, -1);
    EXPECT_EQ(entries[0].notes, "plain");
    EXPECT_EQ(entries[1].role, "reference");
    EXPECT_EQ(entries[1].ref_for, "png/a.png (frame 0)");
    EXPECT_EQ(entries[1].width, -1);
    EXPECT_EQ(entries[1].notes, "");
    // Sizes that are not plain numbers of at most nine digits are not given.
    EXPECT_EQ(entries[2].width, -1);
    EXPECT_EQ(entries[2].height, -1);
}

TEST(CorpusManifest, MissingOrEmptyManifestHasNoRows) {
    TempDir dir;
    EXPECT_TRUE(read_manifest(dir.path()).empty());
    dir.write("MANIFEST.tsv", "");
    EXPECT_TRUE(read_manifest(dir.path()).empty());
    dir.write("MANIFEST.tsv", "path\tformat\n");
    EXPECT_TRUE(read_manifest(dir.path()).empty());
}

TEST(CorpusManifest, ReferencesNameTheFilesTheyDescribe) {
    auto reference = [](const std::string& ref_for) {
        CorpusEntry e;
        e.role = "reference";
        e.ref_for = ref_for;
        return e;
    };
    using Files = std::vector<std::string>;
    EXPECT_EQ(described_files(reference("png/a.png")), Files{"png/a.png"});
    EXPECT_EQ(described_files(reference("jpeg/rgb.jpg (scaled decode)")), Files{"jpeg/rgb.jpg"});
    EXPECT_EQ(described_files(reference("")), Files{});
    EXPECT_TRUE(shows_first_frame(reference("gif/a.gif")));
    EXPECT_TRUE(shows_first_frame(reference("gif/a.gif (frame 0)")));
    EXPECT_FALSE(shows_first_frame(reference("gif/a.gif (frame 2)")));
}

// Sets an environment variable for one test and puts back what was there.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(CorpusDir, TheEnvironmentNamesAFolderWithAManifest) {
    TempDir corpus;
    corpus.write("MANIFEST.tsv", "path\n");
    ScopedEnvironment named("TERVO_CORPUS_DIR", corpus.str() + "/.");
    EXPECT_EQ(corpus_dir(), std::filesystem::weakly_canonical(corpus.path()));
}

TEST(CorpusDir, AFolderWithoutAManifestIsPassedOver) {
    TempDir empty;
    std::filesystem::path fallback;
    {
        ScopedEnvironment unnamed("TERVO_CORPUS_DIR", "");
        ScopedEnvironment unnamed_too("TERVO_CORPUS", "");
        fallback = corpus_dir();
    }
    ScopedEnvironment named("TERVO_CORPUS_DIR", empty.str());
    EXPECT_EQ(corpus_dir(), fallback);
    if (!fallback.empty()) {
        EXPECT_TRUE(std::filesystem::exists(fallback / "MANIFEST.tsv"));
    }
}

}  // namespace
}  // namespace tervo::testing
