#include "note/note_settings.h"

#include "store/note_store.h"
#include "themes/builtin_themes.h"

namespace kd::note_settings {

bool show_task_bar() {
    return setting_rules::shows_task_bar(NoteStore().get_show_task_bar());
}

bool show_close_button() {
    return setting_rules::shows_close_button(NoteStore().get_show_close_button());
}

bool ask_before_delete() {
    return setting_rules::asks_before_delete(NoteStore().get_ask_before_delete());
}

bool disable_close_menu() {
    return setting_rules::disables_close_menu(NoteStore().get_disable_close_menu());
}

std::string default_title() {
    return NoteStore().get_default_title();
}

void set_default_title(const std::string& value) {
    NoteStore().set_default_title(value);
}

std::string date_format_or_default() {
    return NoteStore().get_default_date_format();
}

NoteRecord default_theme() {
    NoteStore store;
    NoteRecord record;
    if (store.read_record(kDefaultThemeNumber, record))
        return record;
    write_builtin_themes();
    if (store.read_record(kDefaultThemeNumber, record))
        return record;
    // The file cannot be written: the note still gets the built-in default look.
    return builtin_theme_record(builtin_themes()[0]);
}

bool write_note(const NoteRecord& record, const std::string& file) {
    return NoteStore().write_record(record, file);
}

bool delete_note(int number) {
    return NoteStore().delete_record(number);
}

}  // namespace kd::note_settings
