// "Default note settings": the look of new notes (a copy of the default theme record,
// written back on apply), the default title, size and what a theme change changes.
#pragma once

#include "dialogs/settings_rules.h"
#include "dialogs/settings_widgets.h"
#include "store/note_record.h"

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kd {

class NoteServices;

class DefaultNotePage : public SettingsPage {
    Q_OBJECT
public:
    explicit DefaultNotePage(NoteServices& services, QWidget* parent = nullptr);
    bool apply() override;

    const NoteRecord& theme() const { return theme_; }
    YesNoPair* border() const { return border_; }
    QRadioButton* date_button() const { return date_; }
    QRadioButton* custom_button() const { return custom_; }
    QLineEdit* custom_title() const { return custom_title_; }
    QRadioButton* align_button(settings_rules::Align align) const;
    SampleBox* note_colour_box() const { return note_colour_; }
    SampleBox* title_colour_box() const { return title_colour_; }
    SampleBox* note_font_box() const { return note_font_; }
    SampleBox* title_font_box() const { return title_font_; }
    SampleBox* note_text_colour_box() const { return note_text_colour_; }
    SampleBox* title_text_colour_box() const { return title_text_colour_; }
    QLineEdit* width_edit() const { return width_; }
    QLineEdit* height_edit() const { return height_; }
    QComboBox* change_theme_box() const { return change_theme_; }
    QPushButton* organize_button() const { return organize_; }

    // What a click on a box does.
    void choose_note_colour();
    void choose_title_colour();
    void choose_note_font();
    void choose_title_font();
    void choose_note_text_colour();
    void choose_title_text_colour();

signals:
    void organize_themes_requested(QWidget* parent);

private:
    void build();
    void build_look(QGridLayout* grid, int& row);
    void read_settings();
    void show_fonts();

    NoteServices& services_;
    NoteRecord theme_;
    YesNoPair* border_ = nullptr;
    QRadioButton* date_ = nullptr;
    QRadioButton* custom_ = nullptr;
    QLineEdit* custom_title_ = nullptr;
    QRadioButton* align_[3] = {};
    SampleBox* note_colour_ = nullptr;
    SampleBox* title_colour_ = nullptr;
    SampleBox* note_font_ = nullptr;
    SampleBox* title_font_ = nullptr;
    SampleBox* note_text_colour_ = nullptr;
    SampleBox* title_text_colour_ = nullptr;
    QLineEdit* width_ = nullptr;
    QLineEdit* height_ = nullptr;
    QComboBox* change_theme_ = nullptr;
    QPushButton* organize_ = nullptr;
};

}  // namespace kd
