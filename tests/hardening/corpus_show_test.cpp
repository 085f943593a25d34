// Every picture of the shared corpus through the show's own paint chain:
// fitted and turned, then at its own size. No crash, no hang, nothing held.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "imagelib/imgctl.h"
#include "slideshow/playback.h"
#include "tests/slideshow/show_harness.h"
#include "tests/support/corpus.h"
#include "tests/support/expect_message.h"

namespace tervo {
namespace {

using testing::ShowHarness;

// Links every test picture of the corpus into the folder under a short name
// with its format's extension; returns how many per extension.
std::map<std::string, int> link_corpus(const std::filesystem::path& folder) {
    const auto corpus = testing::corpus_dir();
    std::map<std::string, int> counts;
    if (corpus.empty()) return counts;
    const std::map<std::string, std::string> extensions{{"bmp", ".bmp"}, {"jpeg", ".jpg"}, {"gif", ".gif"}, {"png", ".png"}};
    int n = 0;
    for (const testing::CorpusEntry& e : testing::read_manifest(corpus)) {
        if (e.role != "test") continue;
        auto ext = extensions.find(e.format);
        if (ext == extensions.end()) continue;
        std::filesystem::create_symlink(corpus / e.path, folder / ("c" + std::to_string(n++) + ext->second));
        ++counts[ext->second];
    }
    return counts;
}

TEST(CorpusShow, EveryCorpusPictureGoesThroughThePaintChain) {
    ShowHarness show;
    const auto counts = link_corpus(show.dir.path());
    if (counts.empty()) GTEST_SKIP() << "the shared corpus is not present";
    for (int filter = 1; filter <= 4; ++filter) {
        for (int pass = 0; pass < 2; ++pass) {
            show.app.settings.psize = pass == 0 ? 1 : 0;
            show.app.view.rotation = pass == 0 ? 1 : 0;
            show.scan(filter);
            const int count = show.app.files.file_count;
            EXPECT_GT(count, 0) << "filter " << filter;
            for (int i = 0; i < count; ++i) step_forward(show.app, show.platform);
            EXPECT_EQ(show.app.view.current_index, count - 1);
            EXPECT_EQ(show.app.view.play_state, PlayState::Stopped);
            EXPECT_EQ(live_image_count(), 0u);
        }
    }
    expect_no_message(show.platform);
}

}  // namespace
}  // namespace tervo
