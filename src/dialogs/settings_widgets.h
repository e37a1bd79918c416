// The pieces the settings pages share: the page base that swallows Enter and Escape, a
// Yes/No radio pair, the sunken boxes that show a colour or a font description, and the
// conversion of the pages' texts.
#pragma once

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QWidget>

class QRadioButton;

namespace kd {

// A text of settings_texts (UTF-8) as the widgets take it.
inline QString settings_text(const char* s) {
    return QString::fromUtf8(s);
}

class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget* parent = nullptr);
    // Stores what the page shows; false when a value was refused (the user has been told and
    // the focus is on the field).
    virtual bool apply() = 0;

protected:
    // Enter and Escape inside a page neither save nor close the dialog.
    void keyPressEvent(QKeyEvent* event) override;
};

class YesNoPair : public QWidget {
    Q_OBJECT
public:
    explicit YesNoPair(QWidget* parent = nullptr);
    void set_yes(bool yes);
    bool is_yes() const;
    void set_tip(const QString& tip);
    QRadioButton* yes_button() const { return yes_; }
    QRadioButton* no_button() const { return no_; }

private:
    QRadioButton* yes_ = nullptr;
    QRadioButton* no_ = nullptr;
};

// A sunken box filled with a colour, or showing a text in its font and colour; a click asks
// for a new one.
class SampleBox : public QFrame {
    Q_OBJECT
public:
    explicit SampleBox(QWidget* parent = nullptr);
    void set_colour(const QColor& fill);
    void set_text(const QString& text, const QFont& font, const QColor& ink);
    const QColor& colour() const { return fill_; }
    const QString& text() const { return text_; }
    const QFont& text_font() const { return text_font_; }
    QSize sizeHint() const override { return {200, 26}; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor fill_ = Qt::white;
    QString text_;
    QFont text_font_;
    QColor ink_ = Qt::black;
};

}  // namespace kd
