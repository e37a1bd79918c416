#include "themes/theme_commands.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

#include "note/note_menus_model.h"
#include "note/note_services.h"
#include "note/note_view.h"
#include "platform/clock.h"
#include "store/note_store.h"
#include "themes/builtin_themes.h"
#include "themes/theme_rules.h"

namespace kd {

namespace nm = note_menu;

namespace {

// Menu texts show "&" only when written "&&".
QString menu_text(const std::string& name) {
    return QString::fromStdString(name).replace('&', QStringLiteral("&&"));
}

}  // namespace

// The program's text-entry dialog lives above the themes and is handed in; alone, no name.
std::optional<std::string> ThemeNameEntry::ask(QWidget*) {
    return std::nullopt;
}

bool apply_theme(const NoteStore& store, Note& note, int number) {
    NoteRecord theme;
    if (!store.read_record(number, theme)) {
        return false;
    }
    apply_theme_look(
        note, theme,
        store.settings().choice(Setting::OnChangeTheme) == store_texts::kChangeThemeColors);
    return true;
}

bool save_note_theme(const NoteStore& store, const Note& note, int number) {
    return store.write_record(theme_record(note.to_record(), number));
}

void rebuild_theme_menu(const NoteStore& store, QMenu* theme_menu) {
    const std::vector<std::string> names = saved_theme_names(store);
    for (QAction* item : theme_menu->actions()) {
        bool is_number = false;
        const int id = item->data().toInt(&is_number);
        const int position = id - nm::kSavedThemeFirst;
        if (!is_number || position < 0 || position >= nm::kSavedThemeSlots) {
            continue;
        }
        const bool shown =
            position < static_cast<int>(names.size()) && !names[std::size_t(position)].empty();
        if (shown) {
            item->setText(menu_text(names[std::size_t(position)]));
            item->setIcon(theme_picture());
        }
        item->setVisible(shown);
    }
}

QIcon theme_picture() {
    // Four colour patches, like a palette.
    static const QIcon picture = [] {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setPen(QColor(80, 80, 80));
        const QColor patches[] = {QColor(151, 203, 255), QColor(240, 208, 48),
                                  QColor(123, 193, 132), QColor(240, 35, 145)};
        for (int i = 0; i < 4; ++i) {
            p.setBrush(patches[i]);
            p.drawRect(1 + (i % 2) * 7, 1 + (i / 2) * 7, 6, 6);
        }
        p.end();
        return QIcon(pm);
    }();
    return picture;
}

ThemeCommands::ThemeCommands(NoteServices& services, QObject* parent)
    : QObject(parent), services_(services), name_entry_(std::make_unique<ThemeNameEntry>()) {
    for (const nm::ThemeItem& t : nm::kBuiltinThemeItems) {
        services_.set_command_enabled(t.id, true);
    }
    for (int k = 0; k < kMaxSavedThemes; ++k) {
        services_.set_command_enabled(saved_theme_item(k), true);
    }
    for (int id : {nm::kSaveThemeAs, nm::kSaveThemeAsDefault, nm::kOrganizeThemes}) {
        services_.set_command_enabled(id, true);
    }
    connect(&services_, &NoteServices::command_requested, this, &ThemeCommands::run);
    connect(&services_, &NoteServices::theme_menu_preparing, this,
            [this](NoteView*, QMenu* menu) { rebuild_theme_menu(services_.store(), menu); });
}

ThemeCommands::~ThemeCommands() = default;

void ThemeCommands::set_name_entry(std::unique_ptr<ThemeNameEntry> entry) {
    name_entry_ = entry ? std::move(entry) : std::make_unique<ThemeNameEntry>();
}

void ThemeCommands::run(int id, NoteView* note) {
    if (note == nullptr) {
        return;
    }
    if (const std::optional<int> number = theme_number_for_item(id)) {
        apply_theme(services_.store(), note->note(), *number);
        return;
    }
    switch (id) {
        case nm::kSaveThemeAs:
            save_theme_as(*note);
            break;
        case nm::kSaveThemeAsDefault:
            save_note_theme(services_.store(), note->note(), kDefaultThemeNumber);
            break;
        case nm::kOrganizeThemes:
            emit organize_requested(note->widget());
            break;
        default:
            break;
    }
}

void ThemeCommands::save_theme_as(NoteView& note) {
    NoteViewPointer alive(&note);
    const std::optional<std::string> name = name_entry_->ask(note.widget());
    // The note may have gone (expired) while the dialog was open.
    if (!name || !alive || !alive->note().saves_state()) {
        return;
    }
    kd::save_theme_as(services_.store(), alive->note().to_record(), *name);
}

void ThemeCommands::random_theme(NoteView* note) {
    if (note == nullptr) {
        return;
    }
    const int saved = services_.store().count_saved_themes();
    apply_theme(services_.store(), note->note(), random_theme_at(services_.clock().now(), saved));
}

}  // namespace kd
