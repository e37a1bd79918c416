#include "note/note_settings.h"

#include "store/note_store.h"
#include "themes/builtin_themes.h"

namespace kd::note_settings {

NoteRecord default_theme(const NoteStore& store) {
    NoteRecord record;
    if (store.read_record(kDefaultThemeNumber, record))
        return record;
    write_builtin_themes(store.ini_path());
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
