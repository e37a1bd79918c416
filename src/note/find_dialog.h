// The modeless find dialog of a note body: find only, with whole word, match case and a
// direction. It asks for the next match by a signal; the body does the search.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace kd {

class FindDialog : public QDialog {
    Q_OBJECT

public:
    explicit FindDialog(QWidget* parent);

    void set_text(const QString& text);
    QString text() const;
    bool whole_word() const;
    bool match_case() const;
    bool down() const;
    void set_down(bool down);

signals:
    void find_next();

private:
    QLineEdit* what_;
    QCheckBox* whole_word_;
    QCheckBox* match_case_;
    QRadioButton* up_;
    QRadioButton* down_;
};

}  // namespace kd
