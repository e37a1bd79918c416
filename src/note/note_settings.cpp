#include "note/note_settings.h"

#include "store/note_store.h"

namespace kd::note_settings {

bool show_task_bar(const NoteStore& store) {
    return setting_rules::shows_task_bar(store.get_show_task_bar());
}

bool show_close_button(const NoteStore& store) {
    return setting_rules::shows_close_button(store.get_show_close_button());
}

bool ask_before_delete(const NoteStore& store) {
    return setting_rules::asks_before_delete(store.get_ask_before_delete());
}

bool disable_close_menu(const NoteStore& store) {
    return setting_rules::disables_close_menu(store.get_disable_close_menu());
}

std::string default_title(const NoteStore& store) {
    return store.get_default_title();
}

void set_default_title(const NoteStore& store, const std::string& value) {
    store.set_default_title(value);
}

std::string date_format_or_default(const NoteStore& store) {
    return store.get_default_date_format();
}

}  // namespace kd::note_settings
