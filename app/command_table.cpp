#include "app/command_table.h"

namespace tervo {
namespace {

constexpr MenuItem kFileMenu[] = {
    {"開く(&O)", cmd_open},
    {"ファイル変換(&C)", cmd_convert},
    {"GIFアニメション作成(&A)", cmd_gif_anim},
};
constexpr MenuItem kDisplayMenu[] = {
    {"連続前進(&S)", cmd_play_forward},
    {"一枚前進(&U)", cmd_step_forward},
    {"停止(&E)", cmd_stop},
    {"一枚後退(&D)", cmd_step_backward},
    {"連続後退(&B)", cmd_play_backward},
};
constexpr MenuItem kSettingsMenu[] = {
    {"環境設定(&S)", cmd_settings},
};
constexpr MenuItem kHelpMenu[] = {
    {"ﾍﾙﾌﾟ(&W)", cmd_help},
    {"Brenlowのホームページ(&H)", cmd_home_page},
    {"このソフトについて(&S)", cmd_about},
};

constexpr MenuBarEntry kMainMenu[] = {
    {"ファイル(&F)", kFileMenu, 0},
    {"表示(&P)", kDisplayMenu, 0},
    {"環境設定(&S)", kSettingsMenu, 0},
    {"ﾍﾙﾌﾟ(&H)", kHelpMenu, 0},
    {"終了(&X)", {}, cmd_exit},
};

// The sort button stands before the settings button although its id is the
// higher one.
constexpr ToolbarButton kToolbar[] = {
    {tb_folder, "フォルダ名設定"},
    {tb_play_backward, "連続後退"},
    {tb_step_backward, "一枚後退"},
    {tb_stop, "停止"},
    {tb_step_forward, "一枚前進"},
    {tb_play_forward, "連続前進"},
    {tb_rotate, "回転"},
    {tb_zoom_in, "拡大"},
    {tb_zoom_out, "縮小"},
    {tb_sort, "並び替え"},
    {tb_settings, "環境設定"},
    {tb_help, "ヘルプ"},
    {tb_exit, "終了"},
};

}  // namespace

std::span<const MenuBarEntry> main_menu() { return kMainMenu; }

std::span<const ToolbarButton> toolbar_buttons() { return kToolbar; }

const char* toolbar_tooltip(uint32_t id) {
    for (const ToolbarButton& button : kToolbar)
        if (button.id == id) return button.tooltip;
    return nullptr;
}

}  // namespace tervo
