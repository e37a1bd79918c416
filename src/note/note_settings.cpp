#include "note/note_settings.h"

#include "store/note_store.h"
#include "themes/builtin_themes.h"

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

NoteRecord default_theme(const NoteStore& store) {
    NoteRecord record;
    if (store.read_record(kDefaultThemeNumber, record))
        return record;
    write_builtin_themes(store);
    if (store.read_record(kDefaultThemeNumber, record))
        return record;
    // The file cannot be written: the note still gets the built-in default look.
    return builtin_theme_record(builtin_themes()[0]);
}

bool write_note(const NoteStore& store, const NoteRecord& record, const std::string& file) {
    return store.write_record(record, file);
}

bool delete_note(const NoteStore& store, int number) {
    return store.delete_record(number);
}

}  // namespace kd::note_settings
