// The main window's menu and toolbar as data: texts, mnemonics, ids and
// tooltips. The Qt shell builds its widgets from these tables.
#pragma once

#include <cstdint>
#include <span>

#include "app/command_ids.h"

namespace tervo {

struct MenuItem {
    const char* text;  // with "&" before the mnemonic
    uint16_t id;
};

// One entry of the menu bar: a drop-down with items, or (no items) a command
// placed directly on the bar.
struct MenuBarEntry {
    const char* text;
    std::span<const MenuItem> items;
    uint16_t id;  // only for a command on the bar itself
};

std::span<const MenuBarEntry> main_menu();

struct ToolbarButton {
    uint16_t id;
    const char* tooltip;
};

// Left to right; button n shows image n of the toolbar strip.
std::span<const ToolbarButton> toolbar_buttons();

// The tooltip of the toolbar button with command id `id`; nullptr for an id
// that belongs to no button (the request is then left unanswered).
const char* toolbar_tooltip(uint32_t id);

}  // namespace tervo
