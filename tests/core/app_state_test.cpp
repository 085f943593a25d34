#include <gtest/gtest.h>

#include "core/app_state.h"

namespace tervo {
namespace {

TEST(AppState, StartsWithItsInitialValues) {
    AppState app;
    EXPECT_EQ(app.settings.file_select, 0);
    EXPECT_EQ(app.settings.pl_timeno, 5);
    EXPECT_EQ(app.settings.psize, 0);
    EXPECT_TRUE(text_of(app.settings.folder).empty());
    EXPECT_EQ(app.files.file_count, 0);
    EXPECT_EQ(app.view.play_state, PlayState::Initial);
    EXPECT_EQ(app.view.current_index, 0);
    EXPECT_EQ(app.view.display_no, 0);
    EXPECT_EQ(app.view.scale, 1.0);
    EXPECT_EQ(app.view.rotation, 0);
    EXPECT_FALSE(app.view.scale_fixed);
    EXPECT_EQ(app.sort.sort_direction, (std::array{SortDirection::Up, SortDirection::None, SortDirection::None,
                                                   SortDirection::None, SortDirection::None}));
    EXPECT_EQ(app.sort.sort_mode, SortMode::Strcmp);
    EXPECT_EQ(app.conversion.output_type, OutputType::Bmp);
    EXPECT_EQ(app.conversion.jpeg_quality, 100);
    EXPECT_FALSE(app.conversion.usage_switch);
    EXPECT_EQ(app.gif.default_delay, 100);
    EXPECT_EQ(app.gif.gif_frame_count, 0);
    EXPECT_TRUE(text_of(app.start_directory).empty());
    EXPECT_EQ(&app_state(), &app_state());  // one process-wide record
}

TEST(AppState, TextFieldsAreCutToTheirSizeAndCleared) {
    AppState app;
    set_text(app.settings.folder, std::string(300, 'x'));
    EXPECT_EQ(text_of(app.settings.folder).size(), 259u);
    set_text(app.settings.folder, "/short");
    EXPECT_EQ(text_of(app.settings.folder), "/short");
    EXPECT_EQ(app.settings.folder[10], '\0');  // the old tail was cleared
}

TEST(AppState, JoinPathAddsOneSeparatorUnlessTheFolderEndsInOne) {
    EXPECT_EQ(join_path("/pics", "a.jpg"), "/pics/a.jpg");
    EXPECT_EQ(join_path("/", "a.jpg"), "/a.jpg");
    EXPECT_EQ(join_path("/pics/", "a.jpg"), "/pics/a.jpg");
    EXPECT_EQ(join_path("", "a.jpg"), "/a.jpg");
}

}  // namespace
}  // namespace tervo
