// The tray menu: its command ids, its items in display order, and which items are enabled
// and marked at any moment.
#pragma once

#include <array>
#include <set>

#include "app/shell_texts.h"

namespace kd {

// Command ids of the tray menu (they identify the menu actions).
inline constexpr int kCmdNewNote = 32772;
inline constexpr int kCmdShowAll = 32796;
inline constexpr int kCmdHideAll = 32797;
inline constexpr int kCmdFindNotes = 33001;
inline constexpr int kCmdNotesMenu = 33002;  // the submenu listing every note
inline constexpr int kCmdExport = 32957;
inline constexpr int kCmdImport = 32958;
inline constexpr int kCmdCheckEmail = 32901;
inline constexpr int kCmdSettings = 32877;
inline constexpr int kCmdAbout = 32791;
inline constexpr int kCmdExit = 32773;

inline constexpr int kTrayMenuId = 130;
inline constexpr int kSeparator = 0;

struct TrayMenuItem {
    int id;  // kSeparator for a separator line
    const char* caption;
};

inline constexpr std::array<TrayMenuItem, 17> kTrayMenuItems{{
    {kCmdNewNote, kCaptionNewNote},
    {kSeparator, nullptr},
    {kCmdShowAll, kCaptionShowAll},
    {kCmdHideAll, kCaptionHideAll},
    {kCmdFindNotes, kCaptionFindNotes},
    {kCmdNotesMenu, kCaptionNotesMenu},
    {kSeparator, nullptr},
    {kCmdExport, kCaptionExport},
    {kCmdImport, kCaptionImport},
    {kSeparator, nullptr},
    {kCmdCheckEmail, kCaptionCheckEmail},
    {kSeparator, nullptr},
    {kCmdSettings, kCaptionSettings},
    {kSeparator, nullptr},
    {kCmdAbout, kCaptionAbout},
    {kSeparator, nullptr},
    {kCmdExit, kCaptionExit},
}};

// Enable and mark ("bitmap") state of the items. "Show all notes" starts greyed; "Hide all
// notes" and "Export note(s)" follow the visible notes each time the menu opens; "Settings"
// and About are greyed while their dialogs are open; an item whose feature this build does
// not offer yet is greyed.
class TrayMenuState {
public:
    bool enabled(int id) const;
    bool marked(int id) const;

    // A feature handler exists (or not) for the item.
    void set_available(int id, bool available);
    void set_dialog_open(int id, bool open);

    // A note was restored hidden or hidden by the user, or "Hide all notes" ran.
    void enable_show_all();
    // "Show all notes" ran.
    void after_show_all();
    // "Hide all notes" ran.
    void after_hide_all();
    // A new note appeared.
    void enable_hide_all();
    // The menu is about to open.
    void refresh_on_open(bool any_note_visible);

private:
    bool show_all_ = false;
    bool hide_all_ = true;
    bool export_ = true;
    std::set<int> unavailable_;
    std::set<int> open_dialogs_;
};

}  // namespace kd
