#include "dialogs/default_note_page.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "dialogs/settings_texts.h"
#include "note/note_services.h"
#include "platform/message_boxes.h"
#include "platform/tip_look.h"
#include "richtext/qt_colour.h"
#include "store/note_store.h"
#include "store/style_letters.h"
#include "themes/builtin_themes.h"

namespace kd {

namespace st = settings_texts;
namespace sr = settings_rules;

namespace {

constexpr int kTextColourBoxWidth = 40;

QFont record_font(const std::string& face, int size, const std::string& letters) {
    QFont font(QString::fromStdString(face));
    if (size > 0) {
        font.setPointSize(size);
    }
    const FontStyle style = parse_font_style(letters);
    font.setBold(style.bold);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    font.setStrikeOut(style.strikeout);
    return font;
}

std::string letters_of(const QFont& font) {
    return sr::chosen_style_letters(font.weight(), font.italic(), font.underline(),
                                    font.strikeOut());
}

}  // namespace

DefaultNotePage::DefaultNotePage(NoteServices& services, QWidget* parent)
    : SettingsPage(parent), services_(services) {
    setStyleSheet(QString::fromUtf8(kWideTipStyle));
    build();
    read_settings();
}

QRadioButton* DefaultNotePage::align_button(sr::Align align) const {
    return align == sr::Align::None ? nullptr : align_[static_cast<int>(align)];
}

void DefaultNotePage::build() {
    auto* grid = new QGridLayout(this);
    int row = 0;
    border_ = new YesNoPair(this);
    border_->set_tip(settings_text(st::kTipBorder));
    grid->addWidget(new QLabel(settings_text(st::kBorder), this), row, 0);
    grid->addWidget(border_, row++, 1);

    date_ = new QRadioButton(settings_text(st::kDate), this);
    custom_ = new QRadioButton(this);
    custom_title_ = new QLineEdit(this);
    for (QWidget* w : {static_cast<QWidget*>(date_), static_cast<QWidget*>(custom_),
                       static_cast<QWidget*>(custom_title_)}) {
        w->setToolTip(settings_text(st::kTipTitle));
    }
    auto* title_group = new QButtonGroup(this);
    title_group->addButton(date_);
    title_group->addButton(custom_);
    auto* title_row = new QHBoxLayout;
    title_row->addWidget(date_);
    title_row->addWidget(custom_);
    title_row->addWidget(custom_title_, 1);
    grid->addWidget(new QLabel(settings_text(st::kTitle), this), row, 0);
    grid->addLayout(title_row, row++, 1);
    connect(date_, &QRadioButton::clicked, custom_title_, &QLineEdit::clear);
    connect(custom_title_, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!t.isEmpty()) {
            custom_->setChecked(true);
        }
    });

    auto* align_group = new QButtonGroup(this);
    auto* align_row = new QHBoxLayout;
    const char* names[] = {st::kLeft, st::kCenter, st::kRight};
    for (int i = 0; i < 3; ++i) {
        align_[i] = new QRadioButton(settings_text(names[i]), this);
        align_[i]->setToolTip(settings_text(st::kTipAlign));
        align_group->addButton(align_[i]);
        align_row->addWidget(align_[i]);
    }
    align_row->addStretch(1);
    grid->addWidget(new QLabel(settings_text(st::kTitleAlign), this), row, 0);
    grid->addLayout(align_row, row++, 1);
    build_look(grid, row);
}

void DefaultNotePage::build_look(QGridLayout* grid, int& row) {
    const auto add_box = [&](const char* label, const char* tip, void (DefaultNotePage::*on)()) {
        auto* box = new SampleBox(this);
        box->setToolTip(settings_text(tip));
        connect(box, &SampleBox::clicked, this, on);
        grid->addWidget(new QLabel(settings_text(label), this), row, 0);
        grid->addWidget(box, row++, 1);
        return box;
    };
    note_colour_ =
        add_box(st::kNoteColour, st::kTipNoteColour, &DefaultNotePage::choose_note_colour);
    title_colour_ =
        add_box(st::kTitleColour, st::kTipTitleColour, &DefaultNotePage::choose_title_colour);
    // A font box with the colour box of its text beside it.
    const auto add_font_row = [&](const char* label, const char* tip, void (DefaultNotePage::*on)(),
                                  const char* colour_tip, void (DefaultNotePage::*on_colour)(),
                                  SampleBox*& colour_box) {
        auto* box = new SampleBox(this);
        box->setToolTip(settings_text(tip));
        connect(box, &SampleBox::clicked, this, on);
        colour_box = new SampleBox(this);
        colour_box->setToolTip(settings_text(colour_tip));
        colour_box->setFixedWidth(kTextColourBoxWidth);
        connect(colour_box, &SampleBox::clicked, this, on_colour);
        auto* colour_label = new QLabel(settings_text(st::kTextColour), this);
        colour_label->setToolTip(settings_text(colour_tip));
        auto* line = new QHBoxLayout;
        line->addWidget(box, 1);
        line->addWidget(colour_label);
        line->addWidget(colour_box);
        grid->addWidget(new QLabel(settings_text(label), this), row, 0);
        grid->addLayout(line, row++, 1);
        return box;
    };
    note_font_ = add_font_row(st::kNoteFont, st::kTipNoteFont, &DefaultNotePage::choose_note_font,
                              st::kTipNoteTextColour, &DefaultNotePage::choose_note_text_colour,
                              note_text_colour_);
    title_font_ = add_font_row(st::kTitleFont, st::kTipTitleFont,
                               &DefaultNotePage::choose_title_font, st::kTipTitleTextColour,
                               &DefaultNotePage::choose_title_text_colour, title_text_colour_);

    width_ = new QLineEdit(this);
    width_->setToolTip(settings_text(st::kTipWidth));
    height_ = new QLineEdit(this);
    height_->setToolTip(settings_text(st::kTipHeight));
    auto* size_row = new QHBoxLayout;
    size_row->addWidget(new QLabel(settings_text(st::kWidth), this));
    size_row->addWidget(width_);
    size_row->addWidget(new QLabel(settings_text(st::kHeight), this));
    size_row->addWidget(height_);
    grid->addWidget(new QLabel(settings_text(st::kSize), this), row, 0);
    grid->addLayout(size_row, row++, 1);

    change_theme_ = new QComboBox(this);
    for (const char* item : st::kChangeThemeItems) {
        change_theme_->addItem(settings_text(item));
    }
    change_theme_->setToolTip(settings_text(st::kTipChangeTheme));
    grid->addWidget(new QLabel(settings_text(st::kChangeTheme), this), row, 0);
    grid->addWidget(change_theme_, row++, 1);

    organize_ = new QPushButton(settings_text(st::kOrganize), this);
    organize_->setAutoDefault(false);
    organize_->setToolTip(settings_text(st::kTipOrganize));
    connect(organize_, &QPushButton::clicked, this,
            [this] { emit organize_themes_requested(this); });
    grid->addWidget(organize_, row++, 1, Qt::AlignLeft);
    grid->setRowStretch(row, 1);
}

void DefaultNotePage::read_settings() {
    const NoteStore& store = services_.store();
    theme_ = default_theme(store);
    const Settings settings = store.settings();
    const std::string title = settings.text(Setting::DefaultTitle);
    if (!title.empty() && title != st::kDate) {
        custom_->setChecked(true);
        custom_title_->setText(QString::fromStdString(title));
    } else {
        date_->setChecked(true);
    }
    border_->set_yes(theme_.Border == store_texts::kYes);
    if (QRadioButton* align = align_button(sr::title_align(theme_.TitleFontType))) {
        align->setChecked(true);
    }
    change_theme_->setCurrentIndex(settings.shown(Setting::OnChangeTheme));
    note_colour_->set_colour(to_qcolor(theme_.EditBackColor));
    title_colour_->set_colour(to_qcolor(theme_.TitleBackColor));
    show_fonts();
    width_->setText(QString::number(settings.number(Setting::DefaultWidth)));
    height_->setText(QString::number(settings.number(Setting::DefaultHeight)));
}

void DefaultNotePage::show_fonts() {
    note_text_colour_->set_colour(to_qcolor(theme_.EditTextColor));
    title_text_colour_->set_colour(to_qcolor(theme_.TitleTextColor));
    note_font_->set_colour(to_qcolor(theme_.EditBackColor));
    note_font_->set_text(QString::fromStdString(sr::font_description(
                             theme_.EditFont, theme_.EditFontSize, theme_.EditFontType)),
                         record_font(theme_.EditFont, theme_.EditFontSize, theme_.EditFontType),
                         to_qcolor(theme_.EditTextColor));
    title_font_->set_colour(to_qcolor(theme_.TitleBackColor));
    title_font_->set_text(QString::fromStdString(sr::font_description(
                              theme_.TitleFont, theme_.TitleFontSize, theme_.TitleFontType)),
                          record_font(theme_.TitleFont, theme_.TitleFontSize, theme_.TitleFontType),
                          to_qcolor(theme_.TitleTextColor));
}

void DefaultNotePage::choose_note_colour() {
    if (auto c = services_.dialogs().choose_colour(this, to_qcolor(theme_.EditBackColor))) {
        theme_.EditBackColor = to_colorref(*c);
        note_colour_->set_colour(*c);
        show_fonts();
    }
}

void DefaultNotePage::choose_title_colour() {
    if (auto c = services_.dialogs().choose_colour(this, to_qcolor(theme_.TitleBackColor))) {
        theme_.TitleBackColor = to_colorref(*c);
        title_colour_->set_colour(*c);
        show_fonts();
    }
}

void DefaultNotePage::choose_note_text_colour() {
    if (auto c = services_.dialogs().choose_colour(this, to_qcolor(theme_.EditTextColor))) {
        theme_.EditTextColor = to_colorref(*c);
        show_fonts();
    }
}

void DefaultNotePage::choose_title_text_colour() {
    if (auto c = services_.dialogs().choose_colour(this, to_qcolor(theme_.TitleTextColor))) {
        theme_.TitleTextColor = to_colorref(*c);
        show_fonts();
    }
}

void DefaultNotePage::choose_note_font() {
    const QFont initial = record_font(theme_.EditFont, theme_.EditFontSize, theme_.EditFontType);
    if (auto f = services_.dialogs().choose_font(this, initial)) {
        theme_.EditFont = f->family().toStdString();
        theme_.EditFontSize = f->pointSize();
        theme_.EditFontType = letters_of(*f);
        show_fonts();
    }
}

void DefaultNotePage::choose_title_font() {
    const QFont initial = record_font(theme_.TitleFont, theme_.TitleFontSize, theme_.TitleFontType);
    if (auto f = services_.dialogs().choose_font(this, initial)) {
        theme_.TitleFont = f->family().toStdString();
        theme_.TitleFontSize = f->pointSize();
        theme_.TitleFontType = sr::title_letters_after_font(theme_.TitleFontType, letters_of(*f));
        show_fonts();
    }
}

bool DefaultNotePage::apply() {
    sr::DefaultNoteValues v;
    v.date_title = date_->isChecked();
    v.custom_title = custom_title_->text().toStdString();
    v.border = border_->is_yes();
    for (int i = 0; i < 3; ++i) {
        if (align_[i]->isChecked()) {
            v.align = static_cast<sr::Align>(i);
        }
    }
    v.width = width_->text().toStdString();
    v.height = height_->text().toStdString();
    v.change_theme = change_theme_->currentIndex();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize area = screen ? screen->geometry().size() : QSize(INT_MAX, INT_MAX);
    const sr::SizeCheck check =
        sr::apply_default_note(services_.store(), v, theme_, area.width(), area.height());
    if (check == sr::SizeCheck::Store) {
        return true;
    }
    services_.boxes().tell(
        this, QMessageBox::Critical,
        settings_text(check == sr::SizeCheck::TooBig ? st::kTooBig : st::kTooSmall));
    width_->setFocus();
    return false;
}

}  // namespace kd
