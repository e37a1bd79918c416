// The title menu's commands: the title strip's font, colours, style letters, case and text,
// and rolling the note up or down.
#include <QFont>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <utility>

#include "note/note_geometry.h"
#include "note/note_menus.h"
#include "note/note_menus_model.h"
#include "note/note_window.h"
#include "richtext/qt_colour.h"

namespace kd {

namespace nm = note_menu;

bool NoteMenus::dispatch_title_command(int id) {
    using Run = void (*)(NoteMenus&);
    static constexpr std::pair<int, Run> kTitleCommands[] = {
        {nm::kTitleFont, [](NoteMenus& m) { m.title_font(); }},
        {nm::kTitleTextColor, [](NoteMenus& m) { m.title_text_colour(); }},
        {nm::kTitleColor, [](NoteMenus& m) { m.title_back_colour(); }},
        {nm::kTitleBold, [](NoteMenus& m) { m.toggle_title_letter('B'); }},
        {nm::kTitleItalic, [](NoteMenus& m) { m.toggle_title_letter('I'); }},
        {nm::kTitleUnderline, [](NoteMenus& m) { m.toggle_title_letter('U'); }},
        {nm::kTitleRegular, [](NoteMenus& m) { m.title_regular(); }},
        {nm::kTitleIncreaseSize, [](NoteMenus& m) { m.title_size(title_size_increased); }},
        {nm::kTitleDecreaseSize, [](NoteMenus& m) { m.title_size(title_size_decreased); }},
        {nm::kTitleLeft, [](NoteMenus& m) { m.note_.note().set_title_alignment('L'); }},
        {nm::kTitleCenter, [](NoteMenus& m) { m.note_.note().set_title_alignment('C'); }},
        {nm::kTitleRight, [](NoteMenus& m) { m.note_.note().set_title_alignment('R'); }},
        {nm::kTitleUppercase, [](NoteMenus& m) { m.title_case(true); }},
        {nm::kTitleLowercase, [](NoteMenus& m) { m.title_case(false); }},
        {nm::kEditTitle, [](NoteMenus& m) { m.edit_title(); }},
        {nm::kSetDateTitle, [](NoteMenus& m) { m.note_.set_date_title(); }},
        {nm::kRollUp, [](NoteMenus& m) { m.roll_up_or_down(); }},
    };
    for (const auto& [command, run] : kTitleCommands) {
        if (command == id) {
            run(*this);
            return true;
        }
    }
    return false;
}

void NoteMenus::roll_up_or_down() {
    if (note_.note().rolled_up()) {
        note_.roll_down();
    } else {
        note_.roll_up();
    }
}

void NoteMenus::title_font() {
    Note& note = note_.note();
    TextLook look = note.title_look();
    const StyleLetters s = parse_style_letters(look.style);
    QFont initial(QString::fromStdString(look.face));
    initial.setPointSize(std::max(1, look.size));
    initial.setWeight(s.bold ? QFont::Bold : QFont::Normal);
    initial.setItalic(s.italic);
    initial.setUnderline(s.underline);
    initial.setStrikeOut(s.strikeout);
    const std::optional<QFont> chosen = note_.services().dialogs().choose_font(&note_, initial);
    if (!chosen) {
        return;
    }
    look.face = chosen->family().toStdString();
    // Whole points: the dialog's tenths divided by ten.
    const int tenths = static_cast<int>(std::lround(chosen->pointSizeF() * 10.0));
    look.size = std::max(1, tenths / 10);
    look.style = nm::title_style_from_font(look.style, chosen->weight(), chosen->italic(),
                                           chosen->underline(), chosen->strikeOut());
    note.set_title_look(look);
}

void NoteMenus::title_text_colour() {
    const TextLook& look = note_.note().title_look();
    const std::optional<QColor> chosen =
        note_.services().dialogs().choose_colour(&note_, to_qcolor(look.text_colour));
    if (!chosen) {
        return;
    }
    TextLook changed = note_.note().title_look();
    changed.text_colour = to_colorref(*chosen);
    note_.note().set_title_look(changed);
}

void NoteMenus::title_back_colour() {
    const TextLook& look = note_.note().title_look();
    const std::optional<QColor> chosen =
        note_.services().dialogs().choose_colour(&note_, to_qcolor(look.back_colour));
    if (!chosen) {
        return;
    }
    TextLook changed = note_.note().title_look();
    changed.back_colour = to_colorref(*chosen);
    note_.note().set_title_look(changed);
}

void NoteMenus::title_size(int (*step)(int)) {
    TextLook look = note_.note().title_look();
    look.size = step(look.size);
    note_.note().set_title_look(look);
}

void NoteMenus::toggle_title_letter(char letter) {
    TextLook look = note_.note().title_look();
    look.style = nm::toggle_style_letter(look.style, letter);
    note_.note().set_title_look(look);
}

void NoteMenus::title_regular() {
    TextLook look = note_.note().title_look();
    look.style = nm::regular_style(look.style);
    note_.note().set_title_look(look);
}

void NoteMenus::title_case(bool upper) {
    const QString text = QString::fromStdString(note_.note().title_text());
    note_.note().set_title_text((upper ? text.toUpper() : text.toLower()).toStdString());
}

void NoteMenus::edit_title() {
    QPointer<NoteWindow> note(&note_);
    const std::optional<std::string> entered =
        note_.services().dialogs().edit_title(&note_, nm::trimmed(note_.note().title_text()));
    if (!note || !entered) {
        return;
    }
    note->note().set_title_text(nm::edited_title_text(*entered, note->note().title_look().style));
}

}  // namespace kd
