// Command dispatch: every id, the tooltips and menu tables, the zoom and
// rotate arithmetic, the conversion guards and the help pages.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/commands.h"
#include "slideshow/playback.h"
#include "tests/slideshow/show_harness.h"
#include "tests/support/expect_message.h"

namespace tervo {
namespace {

using testing::FakePlatform;
using testing::kBackground;
using testing::ShowHarness;

// What a command did, seen from the record and the platform afterwards.
enum class Effect {
    Nothing, Browse, PlayForward, PlayBackward, StepForward, StepBackward, Stop, Rotate, ZoomIn, ZoomOut,
    Settings, Sort, GifBuilder, Conversion, About, Help, HomePage, Exit,
};

struct Dispatch {
    uint16_t id;
    Effect effect;
};

Effect observe(const AppState& app, const FakePlatform& platform) {
    if (!platform.folder_requests.empty()) return Effect::Browse;
    if (platform.main_window_closes) return Effect::Exit;
    if (!platform.urls.empty()) return platform.urls[0].find('#') == std::string::npos ? Effect::Help : Effect::HomePage;
    if (!platform.tool_windows.empty()) {
        switch (platform.tool_windows[0]) {
        case ToolWindow::Settings: return Effect::Settings;
        case ToolWindow::Sort: return Effect::Sort;
        case ToolWindow::Conversion: return Effect::Conversion;
        case ToolWindow::GifBuilder: return Effect::GifBuilder;
        case ToolWindow::About: return Effect::About;
        }
    }
    if (app.view.rotation == 1) return Effect::Rotate;
    if (app.view.scale == 1.25) return Effect::ZoomIn;
    if (app.view.scale == 0.75) return Effect::ZoomOut;
    switch (app.view.play_state) {
    case PlayState::Stopped: return Effect::Stop;
    case PlayState::PlayBackward: return Effect::PlayBackward;
    case PlayState::StepForward: return Effect::StepForward;
    case PlayState::StepBackward: return Effect::StepBackward;
    case PlayState::PlayForward: return platform.repaints.empty() ? Effect::Nothing : Effect::PlayForward;
    default: return Effect::Nothing;
    }
}

const Dispatch kDispatch[] = {
    {48, Effect::Browse},         {330, Effect::Browse},         {37831, Effect::PlayForward},
    {335, Effect::PlayForward},   {37830, Effect::PlayBackward}, {331, Effect::PlayBackward},
    {37833, Effect::StepForward}, {334, Effect::StepForward},    {37826, Effect::StepBackward},
    {332, Effect::StepBackward},  {37827, Effect::Stop},         {333, Effect::Stop},
    {336, Effect::Rotate},        {337, Effect::ZoomIn},         {338, Effect::ZoomOut},
    {37828, Effect::Settings},    {339, Effect::Settings},       {340, Effect::Sort},
    {37829, Effect::GifBuilder},  {37832, Effect::Conversion},   {57, Effect::About},
    {44, Effect::Help},           {341, Effect::Help},           {45, Effect::HomePage},
    {43, Effect::Exit},           {342, Effect::Exit},
    // ids that belong to no command
    {0, Effect::Nothing},         {8, Effect::Nothing},          {329, Effect::Nothing},
    {343, Effect::Nothing},       {37825, Effect::Nothing},      {37834, Effect::Nothing},
    {0xFFFF, Effect::Nothing},
};

TEST(Commands, EveryIdRunsItsCommand) {
    for (const Dispatch& row : kDispatch) {
        AppState app;
        FakePlatform platform;  // repaints are only recorded
        app.view.play_state = PlayState::PlayForward;
        app.view.current_index = 0;
        app.files.file_count = 2;
        handle_command(app, platform, row.id);
        EXPECT_EQ(observe(app, platform), row.effect) << "id " << row.id;
    }
}

TEST(Commands, ATickRepaintsWithTheScaleFree) {
    AppState app;
    FakePlatform platform;
    app.view.scale_fixed = true;
    play_tick(app, platform);
    EXPECT_EQ(platform.repaints, std::vector<bool>{false});
    EXPECT_FALSE(app.view.scale_fixed);
}

TEST(Commands, ToolbarTooltipsByIdAndNoneOutsideTheToolbar) {
    const std::vector<std::pair<uint32_t, std::string>> expected = {
        {330, "フォルダ名設定"}, {331, "連続後退"}, {332, "一枚後退"}, {333, "停止"},   {334, "一枚前進"},
        {335, "連続前進"},       {336, "回転"},     {337, "拡大"},     {338, "縮小"},   {339, "環境設定"},
        {340, "並び替え"},       {341, "ヘルプ"},   {342, "終了"},
    };
    for (const auto& [id, text] : expected) {
        ASSERT_NE(toolbar_tooltip(id), nullptr) << id;
        EXPECT_EQ(toolbar_tooltip(id), text) << id;
    }
    for (uint32_t id : {0u, 8u, 43u, 329u, 343u, 37831u, 0x10000u + 330u}) EXPECT_EQ(toolbar_tooltip(id), nullptr) << id;
}

TEST(Commands, ToolbarOrderPutsSortBeforeSettings) {
    std::vector<uint16_t> ids;
    for (const ToolbarButton& button : toolbar_buttons()) ids.push_back(button.id);
    EXPECT_EQ(ids, (std::vector<uint16_t>{330, 331, 332, 333, 334, 335, 336, 337, 338, 340, 339, 341, 342}));
}

TEST(Commands, MenuTable) {
    std::ostringstream menu;
    for (const MenuBarEntry& entry : main_menu()) {
        menu << entry.text;
        if (entry.items.empty()) menu << "=" << entry.id;
        for (const MenuItem& item : entry.items) menu << " " << item.text << "=" << item.id;
        menu << "\n";
    }
    EXPECT_EQ(menu.str(),
              "ファイル(&F) 開く(&O)=48 ファイル変換(&C)=37832 GIFアニメション作成(&A)=37829\n"
              "表示(&P) 連続前進(&S)=37831 一枚前進(&U)=37833 停止(&E)=37827 一枚後退(&D)=37826 連続後退(&B)=37830\n"
              "環境設定(&S) 環境設定(&S)=37828\n"
              "ﾍﾙﾌﾟ(&H) ﾍﾙﾌﾟ(&W)=44 Brenlowのホームページ(&H)=45 このソフトについて(&S)=57\n"
              "終了(&X)=43\n");
}

TEST(Commands, ZoomStepsByQuartersBetweenTheLimits) {
    struct Case {
        double from;
        void (*zoom)(AppState&, Platform&);
        std::vector<double> steps;
    };
    const Case cases[] = {
        {1.0, zoom_in, {1.25, 1.5, 1.75, 2.0, 2.25, 2.5, 2.75, 3.0, 3.25, 3.5, 3.75, 4.0, 4.0}},
        {1.0, zoom_out, {0.75, 0.5, 0.25, 0.25}},
        {0.8, zoom_in, {1.05, 1.3}},
        {0.3, zoom_out, {0.05, 0.05}},  // 1.2 quarters is above 1: one more step, then none
        {0.2, zoom_out, {0.2}},         // at or below 0.25: unchanged
        {4.1, zoom_in, {4.1}},          // from 4.0 on: unchanged
    };
    for (const Case& c : cases) {
        AppState app;
        FakePlatform platform;
        app.view.scale = c.from;
        for (double expected : c.steps) {
            c.zoom(app, platform);
            EXPECT_NEAR(app.view.scale, expected, 1e-9) << "from " << c.from;
        }
        EXPECT_FALSE(app.view.scale_fixed);
    }
}

TEST(Commands, ZoomAndRotateRepaintWithErasingOnlyWhenStopped) {
    for (PlayState state : {PlayState::Initial, PlayState::Stopped, PlayState::PlayForward, PlayState::PlayBackward,
                            PlayState::StepForward, PlayState::StepBackward}) {
        for (auto command : {zoom_in, zoom_out, rotate_view}) {
            AppState app;
            FakePlatform platform;
            app.view.play_state = state;
            command(app, platform);
            EXPECT_EQ(platform.repaints, state == PlayState::Stopped ? std::vector<bool>{true} : std::vector<bool>{})
                << "state " << static_cast<int>(state);
            EXPECT_EQ(app.view.play_state, state);
        }
    }
}

TEST(Commands, RotateFourTimesComesBackShowingEachAngle) {
    ShowHarness show;
    show.add_image("1.bmp", 60, 20, Qt::red);
    show.scan();
    handle_command(show.app, show.platform, 334);  // show the image
    for (const char* angle : {"回転90度", "回転180度", "回転270度", "回転0度"}) {
        handle_command(show.app, show.platform, 336);
        EXPECT_EQ(show.platform.status_texts.at(7), angle);
    }
    EXPECT_EQ(show.app.view.rotation, 0);
}

TEST(Commands, RotateInStoppedDrawsTheTurnedImageOnACleanBackground) {
    ShowHarness show;
    show.add_image("1.bmp", 60, 20, Qt::red);
    show.scan();
    handle_command(show.app, show.platform, 334);
    handle_command(show.app, show.platform, 336);
    EXPECT_EQ(show.image_at(19, 59), QColor(Qt::red));  // now 20 wide, 60 high
    EXPECT_EQ(show.image_at(40, 10), kBackground);      // the old picture was erased
}

TEST(Commands, ZoomInStoppedKeepsTheNewScaleAndErases) {
    ShowHarness show;
    show.add_image("1.bmp", 100, 100, Qt::red);
    show.scan();
    handle_command(show.app, show.platform, 334);
    handle_command(show.app, show.platform, 338);  // zoom out: 0.75
    EXPECT_EQ(show.platform.status_texts.at(5), "拡縮：0.750000");
    EXPECT_EQ(show.image_at(74, 74), QColor(Qt::red));
    EXPECT_EQ(show.image_at(80, 80), kBackground);
}

TEST(Commands, RotateAndZoomDiscardThePicturesPreparedAhead) {
    for (uint16_t id : {tb_rotate, tb_zoom_in, tb_zoom_out}) {
        ShowHarness show(true);
        show.add_image("1.bmp", 60, 20, Qt::red);
        show.add_image("2.bmp", 60, 20, Qt::blue);
        show.scan();
        handle_command(show.app, show.platform, tb_step_forward);
        ASSERT_EQ(show.ahead->held(), 1u);  // the other picture; the one on show is not prepared
        const int discards = show.platform.prepared_discards;
        handle_command(show.app, show.platform, id);
        EXPECT_EQ(show.platform.prepared_discards, discards + 1) << id;
        EXPECT_EQ(show.ahead->held(), 0u) << id;
    }
}

TEST(Commands, ZoomDuringPlayIsReplacedAtTheNextTick) {
    ShowHarness show;
    show.add_image("1.bmp", 100, 100, Qt::red);
    show.add_image("2.bmp", 100, 100, Qt::blue);
    show.scan();
    handle_command(show.app, show.platform, 335);
    handle_command(show.app, show.platform, 337);
    EXPECT_EQ(show.app.view.scale, 1.25);
    play_tick(show.app, show.platform);
    EXPECT_EQ(show.app.view.scale, 1.0);
}

TEST(Commands, ConversionNeedsAScannedFolderAndAChosenImage) {
    struct Case {
        PlayState state;
        int32_t index;
        int32_t count;
        const char* message;  // nullptr: the dialog opens
    };
    const Case cases[] = {
        {PlayState::Initial, 0, 3, "フォルダを先に指定して下さい。"},
        {PlayState::Stopped, -1, 3, "絵を表示させて下さい。"},
        {PlayState::Stopped, 3, 3, "絵を表示させて下さい。"},
        {PlayState::Stopped, 0, 0, "絵を表示させて下さい。"},
        {PlayState::Stopped, 0, 1, nullptr},
        {PlayState::PlayForward, 2, 3, nullptr},
    };
    for (const Case& c : cases) {
        AppState app;
        FakePlatform platform;
        app.view.play_state = c.state;
        app.view.current_index = c.index;
        app.files.file_count = c.count;
        handle_command(app, platform, 37832);
        if (c.message) {
            expect_message(platform, {c.message, "操作手順", MessageIcon::None, platform.main_window_tag});
            EXPECT_TRUE(platform.tool_windows.empty());
        } else {
            expect_no_message(platform);
            EXPECT_EQ(platform.tool_windows, std::vector<ToolWindow>{ToolWindow::Conversion});
        }
    }
}

TEST(Commands, PagesThatCannotBeOpenedSayWhy) {
    for (uint16_t id : {44, 341, 45}) {
        AppState app;
        FakePlatform platform;
        platform.url_handler_available = false;
        handle_command(app, platform, id);
        expect_message(platform, {"Internet Explorerが見つかりませんでした。", "残念！"});
    }
}

}  // namespace
}  // namespace tervo
