#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "imagelib/imgctl.h"
#include "slideshow/playback.h"
#include "tests/slideshow/show_harness.h"
#include "tests/support/expect_message.h"

namespace tervo {
namespace {

using testing::ShowHarness;

void write_bytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ShowFaults, FilesThatVanishOrBreakAreSkippedSilently) {
    ShowHarness show;
    show.add_image("a.jpg", 40, 30, Qt::red);
    show.add_image("d.jpg", 50, 20, Qt::blue);
    write_bytes(show.dir.path() / "b.jpg", "");                        // 0 bytes
    std::filesystem::create_directory(show.dir.path() / "c.jpg");      // a folder named like a picture
    show.app.settings.psize = 1;
    show.scan(2);
    ASSERT_EQ(show.app.files.file_count, 4);

    // Between the scan and the paints: one picture is deleted, one replaced by garbage.
    std::filesystem::remove(show.dir.path() / "d.jpg");
    write_bytes(show.dir.path() / "a.jpg", std::string(5000, '\x5a'));
    play_forward(show.app, show.platform);
    for (int tick = 0; tick < 8; ++tick) play_tick(show.app, show.platform);
    EXPECT_EQ(show.app.view.display_no, 0);  // nothing could be drawn
    expect_no_message(show.platform);

    // A good picture again: one round of the table draws it and counts it.
    show.add_image("a.jpg", 40, 30, Qt::red);
    for (int tick = 0; tick < 4; ++tick) play_tick(show.app, show.platform);
    EXPECT_EQ(show.app.view.display_no, show.index_of("a.jpg") + 1);

    // The whole folder disappears while the show runs.
    std::filesystem::remove_all(show.dir.path());
    std::filesystem::create_directory(show.dir.path());  // so the harness can clean up
    for (int tick = 0; tick < 6; ++tick) play_tick(show.app, show.platform);
    EXPECT_EQ(show.app.view.play_state, PlayState::PlayForward);
    EXPECT_EQ(show.platform.status_texts.size(), 8u);
    EXPECT_EQ(live_image_count(), 0u);
}

// The memory of a long show is measured by bench_long_show.
TEST(ShowFaults, LongShowReleasesEveryImage) {
    ShowHarness show;
    for (int i = 0; i < 5; ++i) show.add_image("p" + std::to_string(i) + ".jpg", 400 + 40 * i, 300, QColor(40 * i, 90, 200));
    show.app.settings.psize = 1;
    show.scan(2);
    play_forward(show.app, show.platform);
    for (int i = 0; i < 300; ++i) play_tick(show.app, show.platform);
    EXPECT_EQ(live_image_count(), 0u);
    EXPECT_EQ(show.app.view.display_no, 300 % 5 + 1);
}

TEST(ShowFaults, FolderOfFiveThousandFilesFillsTheTable) {
    ShowHarness show;
    for (int i = 0; i < 5000; ++i) std::ofstream(show.dir.path() / ("f" + std::to_string(i) + ".bmp"));
    show.scan(0);
    EXPECT_EQ(show.app.files.file_count, 1024);
    expect_no_message(show.platform);
}

}  // namespace
}  // namespace tervo
