// The About box, and the link label it shows the contact address in.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QUrl>

class QLineEdit;
class QPushButton;

namespace kd {

class Clock;

// A text drawn in blue and underlined on the parent's background; the hand cursor over the
// text, and a left click on the text opens the target.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& text, const QUrl& target, QWidget* parent = nullptr);
    const QUrl& target() const { return target_; }
    // The part of the control the text covers.
    QRect text_rect() const;

signals:
    void activated(const QUrl& target);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QUrl target_;
};

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(const Clock& clock, QWidget* parent = nullptr);

    QLabel* product_label() const { return product_; }
    QLabel* year_label() const { return year_; }
    QLabel* icon_label() const { return icon_; }
    QLineEdit* home_page_field() const { return home_field_; }
    QPushButton* home_page_button() const { return home_button_; }
    LinkLabel* contact_label() const { return contact_; }

signals:
    // The home page or the contact address is to be opened; connected to the desktop's
    // handler (tests disconnect it).
    void open_requested(const QUrl& url);

private:
    QLabel* product_ = nullptr;
    QLabel* year_ = nullptr;
    QLabel* icon_ = nullptr;
    QLineEdit* home_field_ = nullptr;
    QPushButton* home_button_ = nullptr;
    LinkLabel* contact_ = nullptr;
};

}  // namespace kd
