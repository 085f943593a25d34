// The command ids of the main window's menu and toolbar.
#pragma once

#include <cstdint>

namespace tervo {

enum CommandId : uint16_t {
    // menu
    cmd_exit = 43,
    cmd_help = 44,
    cmd_home_page = 45,
    cmd_open = 48,
    cmd_about = 57,
    cmd_step_backward = 37826,
    cmd_stop = 37827,
    cmd_settings = 37828,
    cmd_gif_anim = 37829,
    cmd_play_backward = 37830,
    cmd_play_forward = 37831,
    cmd_convert = 37832,
    cmd_step_forward = 37833,
    // toolbar
    tb_folder = 330,
    tb_play_backward = 331,
    tb_step_backward = 332,
    tb_stop = 333,
    tb_step_forward = 334,
    tb_play_forward = 335,
    tb_rotate = 336,
    tb_zoom_in = 337,
    tb_zoom_out = 338,
    tb_settings = 339,
    tb_sort = 340,
    tb_help = 341,
    tb_exit = 342,
};

}  // namespace tervo
