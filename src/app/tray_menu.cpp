#include "app/tray_menu.h"

namespace kd {

bool TrayMenuState::enabled(int id) const {
    if (unavailable_.count(id) != 0 || open_dialogs_.count(id) != 0) {
        return false;
    }
    switch (id) {
        case kCmdShowAll:
            return show_all_;
        case kCmdHideAll:
            return hide_all_;
        case kCmdExport:
            return export_;
        default:
            return true;
    }
}

bool TrayMenuState::marked(int id) const {
    // Only these two items lose their mark when greyed; the others always carry it.
    switch (id) {
        case kCmdShowAll:
            return show_all_;
        case kCmdHideAll:
            return hide_all_;
        default:
            return true;
    }
}

void TrayMenuState::set_available(int id, bool available) {
    if (available) {
        unavailable_.erase(id);
    } else {
        unavailable_.insert(id);
    }
}

void TrayMenuState::set_dialog_open(int id, bool open) {
    if (open) {
        open_dialogs_.insert(id);
    } else {
        open_dialogs_.erase(id);
    }
}

void TrayMenuState::enable_show_all() {
    show_all_ = true;
}

void TrayMenuState::after_show_all() {
    show_all_ = false;
    hide_all_ = true;
}

void TrayMenuState::after_hide_all() {
    show_all_ = true;
    hide_all_ = false;
}

void TrayMenuState::enable_hide_all() {
    hide_all_ = true;
}

void TrayMenuState::refresh_on_open(bool any_note_visible) {
    hide_all_ = any_note_visible;
    export_ = any_note_visible;
}

}  // namespace kd
