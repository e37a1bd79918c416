#include "note/note_menus.h"

#include <QAction>
#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

#include "note/note_geometry.h"
#include "note/note_menus_model.h"
#include "note/note_window.h"
#include "platform/message_boxes.h"
#include "store/note_lists.h"
#include "store/note_store.h"

namespace kd {

namespace nm = note_menu;

namespace {

// Item pictures, compiled in from resources/menu.
// Every note builds its menus; the pictures are read from the resources once.
QIcon menu_icon(const char* name) {
    static QHash<QString, QIcon> loaded;
    const QString key = QLatin1String(name);
    auto it = loaded.find(key);
    if (it == loaded.end())
        it = loaded.insert(key, QIcon(QStringLiteral(":/menu/%1.xpm").arg(key)));
    return *it;
}

QColor to_qcolor(ColorRef c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

ColorRef to_colorref(const QColor& c) {
    return static_cast<ColorRef>(c.red()) | (static_cast<ColorRef>(c.green()) << 8) |
           (static_cast<ColorRef>(c.blue()) << 16);
}

// Menu texts show "&" only when written "&&"; the resource texts carry none of their own.
QString item_text(const std::string& text) {
    return QString::fromStdString(text).replace('&', QStringLiteral("&&"));
}

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
        if (t.id == id)
            return true;
    }
    return id >= nm::kSavedThemeFirst && id < nm::kSavedThemeFirst + nm::kSavedThemeSlots;
}

bool is_group_item(int id) {
    for (int g : nm::kGroupItemIds) {
        if (g == id)
            return true;
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

void NoteMenus::build_body_menu() {
    body_menu_ = new QMenu(&note_);
    QMenu* m = body_menu_;
    add(m, body_, nm::kFont, nm::kTextFont)->setIcon(menu_icon("font"));
    add(m, body_, nm::kTextColor, nm::kTextTextColor)->setIcon(menu_icon("colour"));
    add(m, body_, nm::kNoteColor, nm::kTextNoteColor);

    QMenu* file = m->addMenu(nm::kTextFileMenu);
    add(file, body_, nm::kOpenFile, nm::kTextOpenFile);
    add(file, body_, nm::kSaveNoteAs, nm::kTextSaveNoteAs);
    add(file, body_, nm::kSaveAsPicture, nm::kTextSaveAsPicture);
    file->addSeparator();
    add(file, body_, nm::kExportNote, nm::kTextExportNote);
    add(file, body_, nm::kImportNote, nm::kTextImportNote);

    QMenu* edit = m->addMenu(nm::kTextEditMenu);
    add(edit, body_, nm::kUndo, nm::kTextUndo);
    add(edit, body_, nm::kRedo, nm::kTextRedo);
    edit->addSeparator();
    add(edit, body_, nm::kCut, nm::kTextCut);
    add(edit, body_, nm::kCopy, nm::kTextCopy);
    add(edit, body_, nm::kPaste, nm::kTextPaste);
    add(edit, body_, nm::kDelete, nm::kTextDelete);
    edit->addSeparator();
    add(edit, body_, nm::kSelectAll, nm::kTextSelectAll);
    add(edit, body_, nm::kFind, nm::kTextFind);

    QMenu* format = m->addMenu(nm::kTextFormatMenu);
    add(format, body_, nm::kBold, nm::kTextBold);
    add(format, body_, nm::kItalic, nm::kTextItalic);
    add(format, body_, nm::kUnderline, nm::kTextUnderline);
    add(format, body_, nm::kRegular, nm::kTextRegular);
    format->addSeparator();
    add(format, body_, nm::kIncreaseSize, nm::kTextIncreaseSize);
    add(format, body_, nm::kDecreaseSize, nm::kTextDecreaseSize);
    format->addSeparator();
    add(format, body_, nm::kAlignLeft, nm::kTextLeft);
    add(format, body_, nm::kAlignCenter, nm::kTextCenter);
    add(format, body_, nm::kAlignRight, nm::kTextRight);
    add(format, body_, nm::kParagraph, nm::kTextParagraph);
    add(format, body_, nm::kBulletStyle, nm::kTextBulletStyle);
    format->addSeparator();
    add(format, body_, nm::kUppercase, nm::kTextUppercase);
    add(format, body_, nm::kLowercase, nm::kTextLowercase);

    theme_menu_ = m->addMenu(nm::kTextThemeMenu);
    for (const nm::ThemeItem& t : nm::kBuiltinThemeItems)
        add(theme_menu_, body_, t.id, t.text);
    theme_menu_->addSeparator();
    for (int slot = 0; slot < nm::kSavedThemeSlots; ++slot) {
        const std::string text = nm::saved_theme_placeholder_text(slot + 1);
        add(theme_menu_, body_, nm::kSavedThemeFirst + slot, text.c_str());
    }
    theme_menu_->addSeparator();
    add(theme_menu_, body_, nm::kSaveThemeAs, nm::kTextSaveThemeAs);
    add(theme_menu_, body_, nm::kSaveThemeAsDefault, nm::kTextSaveThemeAsDefault);
    add(theme_menu_, body_, nm::kOrganizeThemes, nm::kTextOrganizeThemes);

    m->addSeparator();
    add(m, body_, nm::kSaveSizeAsDefault, nm::kTextSaveSizeAsDefault);
    add(m, body_, nm::kSetBorder, nm::kTextSetBorder)->setCheckable(true);
    add(m, body_, nm::kStayOnTop, nm::kTextStayOnTop)->setCheckable(true);
    m->addSeparator();
    add(m, body_, nm::kSetAlarm, nm::kTextSetAlarm)->setIcon(menu_icon("alarm"));
    add(m, body_, nm::kSetExpiration, nm::kTextSetExpiration)->setIcon(menu_icon("expiration"));
    m->addSeparator();

    send_menu_ = m->addMenu(nm::kTextSendMenu);
    send_menu_->menuAction()->setIcon(menu_icon("send"));
    add(send_menu_, body_, nm::kSendOther, nm::kTextSendOther);
    send_menu_->addSeparator();
    for (int position = 0; position < nm::kMaxGroups; ++position) {
        const std::string text = nm::group_placeholder_text(position + 1);
        add(send_menu_, body_, nm::kGroupItemIds[static_cast<std::size_t>(position)], text.c_str());
    }
    add(send_menu_, body_, nm::kGroupPlaceholder, nm::group_placeholder_text(21).c_str());
    add(m, body_, nm::kReplyTo, nm::kTextReplyTo)->setIcon(menu_icon("reply"));
    m->addSeparator();
    add(m, body_, nm::kPrintNote, nm::kTextPrintNote)->setIcon(menu_icon("print"));
    add(m, body_, nm::kHideNote, nm::kTextHideNote)->setIcon(menu_icon("hide"));
    add(m, body_, nm::kDeleteNote, nm::kTextDeleteNote)->setIcon(menu_icon("delete"));
}

void NoteMenus::build_title_menu() {
    title_menu_ = new QMenu(&note_);
    QMenu* m = title_menu_;
    add(m, title_, nm::kTitleFont, nm::kTextFont)->setIcon(menu_icon("font"));
    add(m, title_, nm::kTitleTextColor, nm::kTextTextColor)->setIcon(menu_icon("colour"));
    add(m, title_, nm::kTitleColor, nm::kTextTitleColor);
    QMenu* format = m->addMenu(nm::kTextFormatMenu);
    add(format, title_, nm::kTitleBold, nm::kTextBold);
    add(format, title_, nm::kTitleItalic, nm::kTextItalic);
    add(format, title_, nm::kTitleUnderline, nm::kTextUnderline);
    add(format, title_, nm::kTitleRegular, nm::kTextRegular);
    format->addSeparator();
    add(format, title_, nm::kTitleIncreaseSize, nm::kTextIncreaseSize);
    add(format, title_, nm::kTitleDecreaseSize, nm::kTextDecreaseSize);
    format->addSeparator();
    add(format, title_, nm::kTitleLeft, nm::kTextLeft);
    add(format, title_, nm::kTitleCenter, nm::kTextCenter);
    add(format, title_, nm::kTitleRight, nm::kTextRight);
    format->addSeparator();
    add(format, title_, nm::kTitleUppercase, nm::kTextUppercase);
    add(format, title_, nm::kTitleLowercase, nm::kTextLowercase);
    m->addSeparator();
    add(m, title_, nm::kEditTitle, nm::kTextEditTitle);
    add(m, title_, nm::kSetDateTitle, nm::kTextSetDateTitle);
    m->addSeparator();
    add(m, title_, nm::kRollUp, nm::kTextRollUp);
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
    body_[nm::kStayOnTop]->setChecked(note_.is_stay_on_top());

    QAction* border = body_[nm::kSetBorder];
    border->setText(note_.has_border() ? nm::kTextRemoveBorder : nm::kTextSetBorder);
    border->setChecked(note_.has_border());

    const bool selection = body->textCursor().hasSelection();
    body_[nm::kFont]->setText(selection ? nm::kTextSelectedFont : nm::kTextFont);
    body_[nm::kTextColor]->setText(selection ? nm::kTextSelectedTextColor : nm::kTextTextColor);

    const bool sending = body->sending();
    const bool checking_email = services.email_check_running();
    QAction* reply = body_[nm::kReplyTo];
    const bool can_reply = body->reply_available() && !body->reply_address().empty();
    reply->setVisible(can_reply);
    if (can_reply) {
        reply->setText(item_text(nm::reply_item_text(body->reply_address())));
        reply->setEnabled(!sending && !checking_email && services.sending() != nullptr);
    }

    rebuild_group_items();
    for (auto it = body_.cbegin(); it != body_.cend(); ++it) {
        if (is_hooked_command(it.key()))
            it.value()->setEnabled(services.command_enabled(it.key()));
    }
    for (int slot = 0; slot < nm::kSavedThemeSlots; ++slot)
        body_[nm::kSavedThemeFirst + slot]->setVisible(false);
    emit services.theme_menu_preparing(&note_, theme_menu_);
    send_menu_->menuAction()->setEnabled(!sending && !checking_email);

    body_[nm::kUndo]->setEnabled(body->document()->isUndoAvailable() ||
                                 body->document()->isRedoAvailable());
    body_[nm::kRedo]->setEnabled(body->redo_available());
    for (int id : {nm::kCut, nm::kCopy, nm::kDelete, nm::kUppercase, nm::kLowercase})
        body_[id]->setEnabled(selection);
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
        if (QAction* a = body_.take(id))
            delete a;
    }
    if (QAction* a = body_.take(nm::kGroupPlaceholder))
        delete a;
    QAction* placeholder =
        add(send_menu_, body_, nm::kGroupPlaceholder, nm::group_placeholder_text(21).c_str());

    const NoteLists lists;
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
    const bool rolled = note_.is_rolled_up();
    item->setText(rolled ? nm::kTextRollDown : nm::kTextRollUp);
    item->setIcon(menu_icon(rolled ? "roll_down" : "roll_up"));
}

void NoteMenus::prepare_title_menu() {
    built();
    note_.save_state();
    prepare_roll_item(title_[nm::kRollUp]);
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
    if (!self || chosen == nullptr || !chosen->data().isValid())
        return;
    run_command(chosen->data().toInt());
}

void NoteMenus::open_body_menu(const QPoint& global_pos) {
    if (note_.is_deleted())
        return;
    prepare_body_menu();
    note_.bring_to_front();
    exec_menu(body_menu_, global_pos);
}

void NoteMenus::open_title_menu(const QPoint& global_pos) {
    if (note_.is_deleted())
        return;
    prepare_title_menu();
    exec_menu(title_menu_, global_pos);
}

void NoteMenus::close_button_clicked(const QPoint& global_pos) {
    if (note_.is_deleted())
        return;
    if (setting_rules::disables_close_menu(NoteStore().get_disable_close_menu())) {
        note_.delete_note(true);
        return;
    }
    prepare_close_menu();
    exec_menu(close_menu_, global_pos);
}

// ---- Commands ----------------------------------------------------------------------------

void NoteMenus::run_command(int id) {
    built();
    if (note_.is_deleted())
        return;
    if (is_group_item(id)) {
        if (QAction* item = body_.value(id, nullptr))
            send_to_group(item->property(kGroupNameProperty).toString().toStdString());
        return;
    }
    if (is_hooked_command(id)) {
        if (note_.services().command_enabled(id))
            emit note_.services().command_requested(id, &note_);
        return;
    }
    if (dispatch_body_command(id))
        return;
    dispatch_title_command(id);
}

bool NoteMenus::dispatch_body_command(int id) {
    NoteBody* body = note_.body();
    switch (id) {
        case nm::kFont:
            body->font_command();
            break;
        case nm::kTextColor:
            body->text_colour_command();
            break;
        case nm::kNoteColor:
            body->note_colour_command();
            break;
        case nm::kUndo:
            body->undo_command();
            break;
        case nm::kRedo:
            body->redo_command();
            break;
        case nm::kCut:
            body->cut_command();
            break;
        case nm::kCopy:
            body->copy_command();
            break;
        case nm::kPaste:
            body->paste_command();
            break;
        case nm::kDelete:
            body->delete_command();
            break;
        case nm::kSelectAll:
            body->select_all_command();
            break;
        case nm::kFind:
            body->find_command();
            break;
        case nm::kBold:
            body->bold_command();
            break;
        case nm::kItalic:
            body->italic_command();
            break;
        case nm::kUnderline:
            body->underline_command();
            break;
        case nm::kRegular:
            body->regular_command();
            break;
        case nm::kIncreaseSize:
            body->increase_size_command();
            break;
        case nm::kDecreaseSize:
            body->decrease_size_command();
            break;
        case nm::kAlignLeft:
            body->left_command();
            break;
        case nm::kAlignCenter:
            body->center_command();
            break;
        case nm::kAlignRight:
            body->right_command();
            break;
        case nm::kParagraph:
            body->paragraph_command();
            break;
        case nm::kBulletStyle:
            body->bullet_command();
            break;
        case nm::kUppercase:
            body->uppercase_command();
            break;
        case nm::kLowercase:
            body->lowercase_command();
            break;
        case nm::kSaveSizeAsDefault:
            save_size_as_default();
            break;
        case nm::kSetBorder:
            note_.toggle_border();
            break;
        case nm::kStayOnTop:
            note_.toggle_stay_on_top();
            break;
        case nm::kSendOther:
            send_other();
            break;
        case nm::kReplyTo:
            reply();
            break;
        case nm::kHideNote:
            note_.hide_note();
            break;
        case nm::kDeleteNote:
            note_.delete_note(true);
            break;
        default:
            return false;
    }
    return true;
}

bool NoteMenus::dispatch_title_command(int id) {
    switch (id) {
        case nm::kTitleFont:
            title_font();
            break;
        case nm::kTitleTextColor:
            title_text_colour();
            break;
        case nm::kTitleColor:
            title_back_colour();
            break;
        case nm::kTitleBold:
            toggle_title_letter('B');
            break;
        case nm::kTitleItalic:
            toggle_title_letter('I');
            break;
        case nm::kTitleUnderline:
            toggle_title_letter('U');
            break;
        case nm::kTitleRegular:
            title_regular();
            break;
        case nm::kTitleIncreaseSize:
            note_.increase_title_size();
            break;
        case nm::kTitleDecreaseSize:
            note_.decrease_title_size();
            break;
        case nm::kTitleLeft:
            note_.set_title_alignment('L');
            break;
        case nm::kTitleCenter:
            note_.set_title_alignment('C');
            break;
        case nm::kTitleRight:
            note_.set_title_alignment('R');
            break;
        case nm::kTitleUppercase:
            title_case(true);
            break;
        case nm::kTitleLowercase:
            title_case(false);
            break;
        case nm::kEditTitle:
            edit_title();
            break;
        case nm::kSetDateTitle:
            note_.set_date_title();
            break;
        case nm::kRollUp:
            if (note_.is_rolled_up())
                note_.roll_down();
            else
                note_.roll_up();
            break;
        default:
            return false;
    }
    return true;
}

void NoteMenus::send_to_group(const std::string& name) {
    NoteSendingService* sending = note_.services().sending();
    if (sending == nullptr)
        return;
    const std::vector<std::string> members = non_empty_entries(NoteLists().read_group(name));
    QPointer<NoteWindow> note(&note_);
    note_.body()->set_sending(true);
    sending->send_note(note_, members, NoteStore().get_sent_from());
    if (!note)
        return;
    note->body()->set_sending(false);
    note->place_reminder_icons();
}

void NoteMenus::send_other() {
    NoteSendingService* sending = note_.services().sending();
    if (sending == nullptr || !sending->has_send_dialog())
        return;
    QPointer<NoteWindow> note(&note_);
    note_.body()->set_sending(true);
    const std::optional<bool> sent = sending->send_dialog(note_);
    if (!note)
        return;
    if (sent.has_value()) {
        if (*sent && setting_rules::deletes_after_send(NoteStore().get_after_send())) {
            note->body()->set_sending(false);
            note->delete_note(false);
            return;
        }
        note->set_status(*sent ? NoteStatus::Sent : NoteStatus::SendFailed);
        note->place_reminder_icons();
    }
    note->body()->set_sending(false);
}

void NoteMenus::reply() {
    NoteSendingService* sending = note_.services().sending();
    const std::string address = note_.reply_address();
    if (address.empty() || sending == nullptr)
        return;
    QPointer<NoteWindow> note(&note_);
    note_.body()->set_sending(true);
    if (setting_rules::asks_when_reply(NoteStore().get_ask_when_reply())) {
        const bool yes = note_.services().boxes().ask(
            &note_, QMessageBox::Question, QString::fromStdString(nm::reply_question(address)));
        if (!note)
            return;
        if (!yes) {
            note->body()->set_sending(false);
            return;
        }
    }
    sending->send_note(note_, {address}, NoteStore().get_sent_from());
    if (!note)
        return;
    note->body()->set_sending(false);
    note->place_reminder_icons();
}

void NoteMenus::save_size_as_default() {
    const int height = note_.is_rolled_up() ? note_.unrolled_rect().height() : note_.height();
    NoteStore().set_default_size(std::to_string(note_.width()), std::to_string(height));
}

// ---- Title commands ----------------------------------------------------------------------

void NoteMenus::title_font() {
    TitleLook look = note_.title_look();
    const StyleLetters s = parse_style_letters(look.style);
    QFont initial(QString::fromStdString(look.face));
    initial.setPointSize(std::max(1, look.size));
    initial.setWeight(s.bold ? QFont::Bold : QFont::Normal);
    initial.setItalic(s.italic);
    initial.setUnderline(s.underline);
    initial.setStrikeOut(s.strikeout);
    const std::optional<QFont> chosen = note_.services().dialogs().choose_font(&note_, initial);
    if (!chosen)
        return;
    look.face = chosen->family().toStdString();
    // Whole points: the dialog's tenths divided by ten.
    const int tenths = static_cast<int>(chosen->pointSizeF() * 10.0 + 0.5);
    look.size = std::max(1, tenths / 10);
    look.style = nm::title_style_from_font(look.style, chosen->weight(), chosen->italic(),
                                           chosen->underline(), chosen->strikeOut());
    note_.set_title_look(look);
    note_.rebuild_title_font();
    note_.update();
}

void NoteMenus::title_text_colour() {
    const TitleLook& look = note_.title_look();
    const std::optional<QColor> chosen =
        note_.services().dialogs().choose_colour(&note_, to_qcolor(look.text_colour));
    if (chosen)
        note_.set_title_colours(to_colorref(*chosen), note_.title_look().back_colour);
}

void NoteMenus::title_back_colour() {
    const TitleLook& look = note_.title_look();
    const std::optional<QColor> chosen =
        note_.services().dialogs().choose_colour(&note_, to_qcolor(look.back_colour));
    if (chosen)
        note_.set_title_colours(note_.title_look().text_colour, to_colorref(*chosen));
}

void NoteMenus::toggle_title_letter(char letter) {
    TitleLook look = note_.title_look();
    look.style = nm::toggle_style_letter(look.style, letter);
    note_.set_title_look(look);
    note_.rebuild_title_font();
}

void NoteMenus::title_regular() {
    TitleLook look = note_.title_look();
    look.style = nm::regular_style(look.style);
    note_.set_title_look(look);
    note_.rebuild_title_font();
}

void NoteMenus::title_case(bool upper) {
    const QString text = QString::fromStdString(note_.title_text());
    note_.set_title_text((upper ? text.toUpper() : text.toLower()).toStdString());
}

void NoteMenus::edit_title() {
    QPointer<NoteWindow> note(&note_);
    const std::optional<std::string> entered =
        note_.services().dialogs().edit_title(&note_, nm::trimmed(note_.title_text()));
    if (!note || !entered)
        return;
    note->set_title_text(nm::edited_title_text(*entered, note->title_look().style));
}

}  // namespace kd
