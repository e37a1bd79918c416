#include "note/note_menus.h"

#include <QAction>
#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <algorithm>

#include "note/note_geometry.h"
#include "note/note_menus_model.h"
#include "note/note_window.h"
#include "platform/message_boxes.h"
#include "store/note_lists.h"
#include "store/note_store.h"

// Resources of a static library must be registered by hand (the pictures were missing from
// the program's menus without it).
static void init_menu_resources() {
    Q_INIT_RESOURCE(note_menu);
}

namespace kd {

namespace nm = note_menu;

namespace {

// Freedesktop icon names of the item pictures; our own drawings stand in where the desktop's
// theme has none (expiry has no standard picture).
QString theme_name_of(const QString& picture) {
    static const QHash<QString, QString> names{{"font", "preferences-desktop-font"},
                                               {"colour", "format-text-color"},
                                               {"alarm", "appointment-soon"},
                                               {"send", "mail-send"},
                                               {"reply", "mail-reply-sender"},
                                               {"print", "document-print"},
                                               {"hide", "view-hidden"},
                                               {"delete", "edit-delete"},
                                               {"roll_up", "go-up"},
                                               {"roll_down", "go-down"},
                                               {"one_person", "avatar-default"},
                                               {"group", "system-users"}};
    return names.value(picture);
}

// Item pictures: the theme's, else compiled in from resources/menu.
// Every note builds its menus; the pictures are looked up once.
QIcon menu_icon(const char* name) {
    static QHash<QString, QIcon> loaded;
    const QString key = QLatin1String(name);
    auto it = loaded.find(key);
    if (it == loaded.end()) {
        if (loaded.isEmpty()) {
            init_menu_resources();
        }
        const QIcon own(QStringLiteral(":/menu/%1.xpm").arg(key));
        const QString theme_name = theme_name_of(key);
        it = loaded.insert(key, theme_name.isEmpty() ? own : QIcon::fromTheme(theme_name, own));
    }
    return *it;
}

// Menu texts show "&" only when written "&&"; the resource texts carry none of their own.
QString item_text(const std::string& text) {
    return QString::fromStdString(text).replace('&', QStringLiteral("&&"));
}

// A spelling item's suggestion rides on it as typed; "Add to dictionary" has none.
constexpr const char* kSuggestionProperty = "kd_suggestion";

// The whole group name rides on the item: its text would be cut for long names.
constexpr const char* kGroupNameProperty = "kd_group_name";

// Items whose work is done elsewhere: greyed until a hook carries them out.
bool is_hooked_command(int id) {
    switch (id) {
        case nm::kOpenFile:
        case nm::kSaveNoteAs:
        case nm::kSaveAsPicture:
        case nm::kExportNote:
        case nm::kImportNote:
        case nm::kSaveThemeAs:
        case nm::kSaveThemeAsDefault:
        case nm::kOrganizeThemes:
        case nm::kSetAlarm:
        case nm::kSetExpiration:
        case nm::kPrintNote:
            return true;
        default:
            break;
    }
    for (const nm::ThemeItem& t : nm::kBuiltinThemeItems) {
        if (t.id == id) {
            return true;
        }
    }
    return id >= nm::kSavedThemeFirst && id < nm::kSavedThemeFirst + nm::kSavedThemeSlots;
}

bool is_group_item(int id) {
    for (int g : nm::kGroupItemIds) {
        if (g == id) {
            return true;
        }
    }
    return false;
}

}  // namespace

NoteMenus::NoteMenus(NoteWindow& note) : QObject(&note), note_(note) {}

const NoteMenus& NoteMenus::built() const {
    if (!built_) {
        auto& self = const_cast<NoteMenus&>(*this);
        self.built_ = true;
        self.build_body_menu();
        self.build_title_menu();
        self.build_close_menu();
    }
    return *this;
}

NoteMenus::~NoteMenus() = default;

QAction* NoteMenus::add(QMenu* menu, QHash<int, QAction*>& table, int id, const char* text) {
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setData(id);
    table.insert(id, a);
    return a;
}

void NoteMenus::add_items(QMenu* menu, QHash<int, QAction*>& table,
                          std::initializer_list<MenuEntry> entries) {
    for (const MenuEntry& e : entries) {
        if (e.id == kSeparatorEntry) {
            menu->addSeparator();
        } else {
            add(menu, table, e.id, e.text);
        }
    }
}

void NoteMenus::build_body_menu() {
    body_menu_ = new QMenu(&note_);
    QMenu* m = body_menu_;
    add(m, body_, nm::kFont, nm::kTextFont)->setIcon(menu_icon("font"));
    add(m, body_, nm::kTextColor, nm::kTextTextColor)->setIcon(menu_icon("colour"));
    add(m, body_, nm::kNoteColor, nm::kTextNoteColor);
    add_items(m->addMenu(nm::kTextFileMenu), body_,
              {{nm::kOpenFile, nm::kTextOpenFile},
               {nm::kSaveNoteAs, nm::kTextSaveNoteAs},
               {nm::kSaveAsPicture, nm::kTextSaveAsPicture},
               {kSeparatorEntry, nullptr},
               {nm::kExportNote, nm::kTextExportNote},
               {nm::kImportNote, nm::kTextImportNote}});
    add_items(m->addMenu(nm::kTextEditMenu), body_,
              {{nm::kUndo, nm::kTextUndo},
               {nm::kRedo, nm::kTextRedo},
               {kSeparatorEntry, nullptr},
               {nm::kCut, nm::kTextCut},
               {nm::kCopy, nm::kTextCopy},
               {nm::kPaste, nm::kTextPaste},
               {nm::kDelete, nm::kTextDelete},
               {kSeparatorEntry, nullptr},
               {nm::kSelectAll, nm::kTextSelectAll},
               {nm::kFind, nm::kTextFind}});
    add_items(m->addMenu(nm::kTextFormatMenu), body_,
              {{nm::kBold, nm::kTextBold},
               {nm::kItalic, nm::kTextItalic},
               {nm::kUnderline, nm::kTextUnderline},
               {nm::kRegular, nm::kTextRegular},
               {kSeparatorEntry, nullptr},
               {nm::kIncreaseSize, nm::kTextIncreaseSize},
               {nm::kDecreaseSize, nm::kTextDecreaseSize},
               {kSeparatorEntry, nullptr},
               {nm::kAlignLeft, nm::kTextLeft},
               {nm::kAlignCenter, nm::kTextCenter},
               {nm::kAlignRight, nm::kTextRight},
               {nm::kParagraph, nm::kTextParagraph},
               {nm::kBulletStyle, nm::kTextBulletStyle},
               {kSeparatorEntry, nullptr},
               {nm::kUppercase, nm::kTextUppercase},
               {nm::kLowercase, nm::kTextLowercase}});
    build_theme_menu(m);

    m->addSeparator();
    add(m, body_, nm::kSetBorder, nm::kTextSetBorder)->setCheckable(true);
    add(m, body_, nm::kStayOnTop, nm::kTextStayOnTop)->setCheckable(true);
    m->addSeparator();
    add(m, body_, nm::kSetAlarm, nm::kTextSetAlarm)->setIcon(menu_icon("alarm"));
    add(m, body_, nm::kSetExpiration, nm::kTextSetExpiration)->setIcon(menu_icon("expiration"));
    m->addSeparator();
    build_send_menu(m);
    add(m, body_, nm::kReplyTo, nm::kTextReplyTo)->setIcon(menu_icon("reply"));
    m->addSeparator();
    add(m, body_, nm::kPrintNote, nm::kTextPrintNote)->setIcon(menu_icon("print"));
    add(m, body_, nm::kHideNote, nm::kTextHideNote)->setIcon(menu_icon("hide"));
    add(m, body_, nm::kDeleteNote, nm::kTextDeleteNote)->setIcon(menu_icon("delete"));
}

void NoteMenus::build_theme_menu(QMenu* body_menu) {
    theme_menu_ = body_menu->addMenu(nm::kTextThemeMenu);
    for (const nm::ThemeItem& t : nm::kBuiltinThemeItems) {
        add(theme_menu_, body_, t.id, t.text);
    }
    // Saved themes follow the built-in ones directly; their items show when the menu opens.
    for (int slot = 0; slot < nm::kSavedThemeSlots; ++slot) {
        const std::string text = nm::saved_theme_placeholder_text(slot + 1);
        add(theme_menu_, body_, nm::kSavedThemeFirst + slot, text.c_str());
    }
    add_items(theme_menu_, body_,
              {{kSeparatorEntry, nullptr},
               {nm::kSaveThemeAs, nm::kTextSaveThemeAs},
               {nm::kSaveThemeAsDefault, nm::kTextSaveThemeAsDefault},
               {nm::kOrganizeThemes, nm::kTextOrganizeThemes},
               {kSeparatorEntry, nullptr},
               {nm::kSaveSizeAsDefault, nm::kTextSaveSizeAsDefault}});
}

void NoteMenus::build_send_menu(QMenu* body_menu) {
    send_menu_ = body_menu->addMenu(nm::kTextSendMenu);
    send_menu_->menuAction()->setIcon(menu_icon("send"));
    add(send_menu_, body_, nm::kSendOther, nm::kTextSendOther);
    send_menu_->addSeparator();
    for (int position = 0; position < nm::kMaxGroups; ++position) {
        const std::string text = nm::group_placeholder_text(position + 1);
        add(send_menu_, body_, nm::kGroupItemIds[static_cast<std::size_t>(position)], text.c_str());
    }
    add(send_menu_, body_, nm::kGroupPlaceholder, nm::group_placeholder_text(21).c_str());
}

void NoteMenus::build_title_menu() {
    title_menu_ = new QMenu(&note_);
    QMenu* m = title_menu_;
    // Where a received note came from, above the commands; it does nothing when chosen.
    received_from_ = m->addAction(QString());
    received_from_->setEnabled(false);
    received_from_->setVisible(false);
    received_from_separator_ = m->addSeparator();
    received_from_separator_->setVisible(false);
    add(m, title_, nm::kTitleFont, nm::kTextFont)->setIcon(menu_icon("font"));
    add(m, title_, nm::kTitleTextColor, nm::kTextTextColor)->setIcon(menu_icon("colour"));
    add(m, title_, nm::kTitleColor, nm::kTextTitleColor);
    add_items(m->addMenu(nm::kTextFormatMenu), title_,
              {{nm::kTitleBold, nm::kTextBold},
               {nm::kTitleItalic, nm::kTextItalic},
               {nm::kTitleUnderline, nm::kTextUnderline},
               {nm::kTitleRegular, nm::kTextRegular},
               {kSeparatorEntry, nullptr},
               {nm::kTitleIncreaseSize, nm::kTextIncreaseSize},
               {nm::kTitleDecreaseSize, nm::kTextDecreaseSize},
               {kSeparatorEntry, nullptr},
               {nm::kTitleLeft, nm::kTextLeft},
               {nm::kTitleCenter, nm::kTextCenter},
               {nm::kTitleRight, nm::kTextRight},
               {kSeparatorEntry, nullptr},
               {nm::kTitleUppercase, nm::kTextUppercase},
               {nm::kTitleLowercase, nm::kTextLowercase}});
    add_items(m, title_,
              {{kSeparatorEntry, nullptr},
               {nm::kEditTitle, nm::kTextEditTitle},
               {nm::kSetDateTitle, nm::kTextSetDateTitle},
               {kSeparatorEntry, nullptr},
               {nm::kRollUp, nm::kTextRollUp}});
}

void NoteMenus::build_close_menu() {
    close_menu_ = new QMenu(&note_);
    add(close_menu_, close_, nm::kRollUp, nm::kTextRollUp);
    close_menu_->addSeparator();
    add(close_menu_, close_, nm::kHideNote, nm::kTextHideNote)->setIcon(menu_icon("hide"));
    add(close_menu_, close_, nm::kDeleteNote, nm::kTextDeleteNote)->setIcon(menu_icon("delete"));
}

QAction* NoteMenus::body_action(int id) const {
    return built().body_.value(id, nullptr);
}
QAction* NoteMenus::title_action(int id) const {
    return built().title_.value(id, nullptr);
}
QAction* NoteMenus::close_action(int id) const {
    return built().close_.value(id, nullptr);
}

// ---- Preparing ---------------------------------------------------------------------------

void NoteMenus::prepare_body_menu() {
    built();
    NoteServices& services = note_.services();
    NoteBody* body = note_.body();
    note_.save_state();

    // The tick shows whether this note stays on top; releasing another note does not change
    // that.
    body_[nm::kStayOnTop]->setChecked(note_.note().stay_on_top());

    QAction* border = body_[nm::kSetBorder];
    border->setText(note_.note().has_border() ? nm::kTextRemoveBorder : nm::kTextSetBorder);
    border->setChecked(note_.note().has_border());

    const bool selection = body->textCursor().hasSelection();
    body_[nm::kFont]->setText(selection ? nm::kTextSelectedFont : nm::kTextFont);
    body_[nm::kTextColor]->setText(selection ? nm::kTextSelectedTextColor : nm::kTextTextColor);

    const Note& note = note_.note();
    const bool sending = note.sending();
    const bool checking_email = services.email_check_running();
    QAction* reply = body_[nm::kReplyTo];
    const bool can_reply = !note.reply_address().empty();
    reply->setVisible(can_reply);
    if (can_reply) {
        reply->setText(item_text(nm::reply_item_text(note.reply_address())));
        reply->setEnabled(!sending && !checking_email && services.sending() != nullptr);
    }

    rebuild_group_items();
    for (auto it = body_.cbegin(); it != body_.cend(); ++it) {
        if (is_hooked_command(it.key())) {
            it.value()->setEnabled(services.command_enabled(it.key()));
        }
    }
    for (int slot = 0; slot < nm::kSavedThemeSlots; ++slot) {
        body_[nm::kSavedThemeFirst + slot]->setVisible(false);
    }
    emit services.theme_menu_preparing(&note_, theme_menu_);
    send_menu_->menuAction()->setEnabled(!sending && !checking_email);

    body_[nm::kUndo]->setEnabled(body->document()->isUndoAvailable());
    body_[nm::kRedo]->setEnabled(body->redo_available());
    for (int id : {nm::kCut, nm::kCopy, nm::kDelete, nm::kUppercase, nm::kLowercase}) {
        body_[id]->setEnabled(selection);
    }
    body_[nm::kPaste]->setEnabled(body->canPaste());

    const bool bullet = body->textCursor().currentList() != nullptr;
    QAction* bullets = body_[nm::kBulletStyle];
    bullets->setCheckable(true);
    bullets->setText(bullet ? nm::kTextRemoveBulletStyle : nm::kTextBulletStyle);
    bullets->setChecked(bullet);

    body_[nm::kSendOther]->setEnabled(services.network_available() && services.sending() &&
                                      services.sending()->has_send_dialog());
}

void NoteMenus::rebuild_group_items() {
    for (int id : nm::kGroupItemIds) {
        delete body_.take(id);
    }
    delete body_.take(nm::kGroupPlaceholder);
    QAction* placeholder =
        add(send_menu_, body_, nm::kGroupPlaceholder, nm::group_placeholder_text(21).c_str());

    const NoteLists lists(note_.services().store());
    const std::string names = lists.group_names();
    if (!nm::has_saved_groups(names)) {
        placeholder->setText(nm::kTextSavedGroup);
        placeholder->setEnabled(false);
        return;
    }
    const bool can_send = note_.services().sending() != nullptr;
    for (const nm::GroupItem& g : nm::offered_groups(names)) {
        auto* item = new QAction(item_text(g.name), send_menu_);
        item->setData(g.id);
        item->setProperty(kGroupNameProperty, QString::fromStdString(g.name));
        item->setEnabled(can_send);
        switch (nm::group_picture(lists.count_group_members(g.name))) {
            case nm::GroupPicture::OnePerson:
                item->setIcon(menu_icon("one_person"));
                break;
            case nm::GroupPicture::Group:
                item->setIcon(menu_icon("group"));
                break;
            case nm::GroupPicture::None:
                break;
        }
        send_menu_->insertAction(placeholder, item);
        body_.insert(g.id, item);
    }
    body_.remove(nm::kGroupPlaceholder);
    delete placeholder;
}

void NoteMenus::prepare_roll_item(QAction* item) {
    const bool rolled = note_.note().rolled_up();
    item->setText(rolled ? nm::kTextRollDown : nm::kTextRollUp);
    item->setIcon(menu_icon(rolled ? "roll_down" : "roll_up"));
}

void NoteMenus::prepare_title_menu() {
    built();
    note_.save_state();
    prepare_roll_item(title_[nm::kRollUp]);
    const std::string& from = note_.note().received_from();
    received_from_->setText(item_text(from));
    received_from_->setVisible(!from.empty());
    received_from_separator_->setVisible(!from.empty());
}

void NoteMenus::prepare_close_menu() {
    built();
    note_.save_state();
    prepare_roll_item(close_[nm::kRollUp]);
}

// ---- Showing -----------------------------------------------------------------------------

void NoteMenus::exec_menu(QMenu* menu, const QPoint& global_pos) {
    QPointer<NoteMenus> self(this);
    QAction* chosen = menu->exec(global_pos);
    if (!self || chosen == nullptr || !chosen->data().isValid()) {
        return;
    }
    run_command(chosen->data().toInt());
}

void NoteMenus::open_body_menu(const QPoint& global_pos, int text_position) {
    if (note_.note().deleted()) {
        return;
    }
    prepare_body_menu();
    prepare_spelling_items(text_position);
    note_.bring_to_front();
    QPointer<NoteMenus> self(this);
    QAction* chosen = body_menu_->exec(global_pos);
    if (!self) {
        return;
    }
    if (run_spelling_item(chosen)) {
        return;
    }
    remove_spelling_items();
    if (chosen != nullptr && chosen->data().isValid()) {
        run_command(chosen->data().toInt());
    }
}

// ---- Spelling ----------------------------------------------------------------------------

void NoteMenus::prepare_spelling_items(int text_position) {
    built();
    remove_spelling_items();
    const std::optional<NoteBody::MisspeltWord> word =
        note_.body()->misspelt_word_at(text_position);
    if (!word) {
        return;
    }
    spelling_word_ = word->word;
    spelling_start_ = word->start;
    spelling_length_ = word->length;
    QAction* first = body_menu_->actions().value(0, nullptr);
    const auto add_item = [&](const QString& text, const QString& suggestion) {
        auto* item = new QAction(text, body_menu_);
        item->setProperty(kSuggestionProperty, suggestion);
        body_menu_->insertAction(first, item);
        spelling_items_.push_back(item);
    };
    for (const QString& suggestion : word->suggestions) {
        add_item(QString(suggestion).replace('&', QStringLiteral("&&")), suggestion);
    }
    add_item(QString::fromUtf8(nm::kTextAddToDictionary), QString());
    auto* separator = new QAction(body_menu_);
    separator->setSeparator(true);
    body_menu_->insertAction(first, separator);
    spelling_items_.push_back(separator);
}

void NoteMenus::remove_spelling_items() {
    for (QAction* item : spelling_items_) {
        delete item;
    }
    spelling_items_.clear();
}

bool NoteMenus::run_spelling_item(QAction* chosen) {
    if (chosen == nullptr || std::find(spelling_items_.begin(), spelling_items_.end(), chosen) ==
                                 spelling_items_.end()) {
        return false;
    }
    const QString suggestion = chosen->property(kSuggestionProperty).toString();
    remove_spelling_items();
    NoteBody* body = note_.body();
    if (suggestion.isEmpty()) {
        body->add_to_dictionary(spelling_word_);
    } else {
        NoteBody::MisspeltWord word;
        word.start = spelling_start_;
        word.length = spelling_length_;
        word.word = spelling_word_;
        body->replace_word(word, suggestion);
    }
    return true;
}

void NoteMenus::open_title_menu(const QPoint& global_pos) {
    if (note_.note().deleted()) {
        return;
    }
    prepare_title_menu();
    exec_menu(title_menu_, global_pos);
}

void NoteMenus::close_button_clicked(const QPoint& global_pos) {
    if (note_.note().deleted()) {
        return;
    }
    if (note_.services().store().settings().flag(Setting::DisableCloseMenu)) {
        note_.delete_note(true);
        return;
    }
    prepare_close_menu();
    exec_menu(close_menu_, global_pos);
}

// ---- Commands ----------------------------------------------------------------------------

void NoteMenus::run_command(int id) {
    built();
    if (note_.note().deleted()) {
        return;
    }
    if (is_group_item(id)) {
        if (QAction* item = body_.value(id, nullptr)) {
            send_to_group(item->property(kGroupNameProperty).toString().toStdString());
        }
        return;
    }
    if (is_hooked_command(id)) {
        if (note_.services().command_enabled(id)) {
            emit note_.services().command_requested(id, &note_);
        }
        return;
    }
    if (dispatch_body_command(id)) {
        return;
    }
    dispatch_title_command(id);
}

bool NoteMenus::dispatch_body_command(int id) {
    // Commands the body carries out on its text.
    using BodyCommand = void (NoteBody::*)();
    static constexpr std::pair<int, BodyCommand> kBodyCommands[] = {
        {nm::kFont, &NoteBody::font_command},
        {nm::kTextColor, &NoteBody::text_colour_command},
        {nm::kNoteColor, &NoteBody::note_colour_command},
        {nm::kUndo, &NoteBody::undo_command},
        {nm::kRedo, &NoteBody::redo_command},
        {nm::kCut, &NoteBody::cut_command},
        {nm::kCopy, &NoteBody::copy_command},
        {nm::kPaste, &NoteBody::paste_command},
        {nm::kDelete, &NoteBody::delete_command},
        {nm::kSelectAll, &NoteBody::select_all_command},
        {nm::kFind, &NoteBody::find_command},
        {nm::kBold, &NoteBody::bold_command},
        {nm::kItalic, &NoteBody::italic_command},
        {nm::kUnderline, &NoteBody::underline_command},
        {nm::kRegular, &NoteBody::regular_command},
        {nm::kIncreaseSize, &NoteBody::increase_size_command},
        {nm::kDecreaseSize, &NoteBody::decrease_size_command},
        {nm::kAlignLeft, &NoteBody::left_command},
        {nm::kAlignCenter, &NoteBody::center_command},
        {nm::kAlignRight, &NoteBody::right_command},
        {nm::kParagraph, &NoteBody::paragraph_command},
        {nm::kBulletStyle, &NoteBody::bullet_command},
        {nm::kUppercase, &NoteBody::uppercase_command},
        {nm::kLowercase, &NoteBody::lowercase_command},
    };
    for (const auto& [command, run] : kBodyCommands) {
        if (command == id) {
            (note_.body()->*run)();
            return true;
        }
    }
    return dispatch_note_command(id);
}

bool NoteMenus::dispatch_note_command(int id) {
    switch (id) {
        case nm::kSaveSizeAsDefault:
            save_size_as_default();
            return true;
        case nm::kSetBorder:
            note_.note().set_border(!note_.note().has_border());
            return true;
        case nm::kStayOnTop:
            note_.toggle_stay_on_top();
            return true;
        case nm::kSendOther:
            send_other();
            return true;
        case nm::kReplyTo:
            reply();
            return true;
        case nm::kHideNote:
            note_.hide_note();
            return true;
        case nm::kDeleteNote:
            note_.delete_note(true);
            return true;
        default:
            return false;
    }
}

void NoteMenus::send_to_group(const std::string& name) {
    NoteSendingService* sending = note_.services().sending();
    if (sending == nullptr) {
        return;
    }
    const std::vector<std::string> members =
        non_empty_entries(NoteLists(note_.services().store()).read_group(name));
    QPointer<NoteWindow> note(&note_);
    note_.note().set_sending(true);
    sending->send_note(note_, members, note_.services().store().settings().text(Setting::SentFrom));
    if (!note) {
        return;
    }
    note->note().set_sending(false);
    note->place_reminder_icons();
}

void NoteMenus::send_other() {
    NoteSendingService* sending = note_.services().sending();
    if (sending == nullptr || !sending->has_send_dialog()) {
        return;
    }
    QPointer<NoteWindow> note(&note_);
    note_.note().set_sending(true);
    const std::optional<bool> sent = sending->send_dialog(note_);
    if (!note) {
        return;
    }
    if (sent.has_value()) {
        if (*sent && note_.services().store().settings().choice(Setting::AfterSend) ==
                         store_texts::kAfterSendDeleteNote) {
            note->note().set_sending(false);
            note->delete_note(false);
            return;
        }
        note->note().set_status(*sent ? NoteStatus::Sent : NoteStatus::SendFailed);
        note->place_reminder_icons();
    }
    note->note().set_sending(false);
}

void NoteMenus::reply() {
    NoteSendingService* sending = note_.services().sending();
    const std::string address = note_.note().reply_address();
    if (address.empty() || sending == nullptr) {
        return;
    }
    QPointer<NoteWindow> note(&note_);
    note_.note().set_sending(true);
    if (note_.services().store().settings().flag(Setting::AskWhenReply)) {
        const bool yes = note_.services().boxes().ask(
            &note_, QMessageBox::Question, QString::fromStdString(nm::reply_question(address)));
        if (!note) {
            return;
        }
        if (!yes) {
            note->note().set_sending(false);
            return;
        }
    }
    sending->send_note(note_, {address},
                       note_.services().store().settings().text(Setting::SentFrom));
    if (!note) {
        return;
    }
    note->note().set_sending(false);
    note->place_reminder_icons();
}

void NoteMenus::save_size_as_default() {
    const int height = note_.note().rolled_up() ? note_.unrolled_rect().height() : note_.height();
    note_.services().store().settings().set_default_size(std::to_string(note_.width()),
                                                         std::to_string(height));
}

}  // namespace kd
