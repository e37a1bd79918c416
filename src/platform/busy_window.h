// The small waiting window shown during long operations: two lines of text beside an endlessly
// turning wheel, at the bottom-right corner of the desktop work area, and where the work can
// be stopped, a button for it.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;

namespace kd {

class BusyWheel;

// How far in from the work area's corner the windows of the e-mail check, the sending of note
// e-mails and the cleaning of the settings file sit; the neighbourhood's touches the corner.
inline constexpr int kBusyCornerInset = 6;

class BusyWindow : public QWidget {
    Q_OBJECT
public:
    explicit BusyWindow(QWidget* owner = nullptr);

    // Replaces both lines.
    void set_texts(const QString& first, const QString& second);
    QString first_line() const;
    QString second_line() const;

    // Shows a button with `text` under the lines; a click emits cancel_clicked once.
    void offer_cancel(const QString& text);
    QPushButton* cancel_button() const { return cancel_; }

    // Shows the window with its lower right corner `inset` pixels in from that of the work
    // area of the screen it is on (without changing its size) and paints it at once.
    void show_at_work_area_corner(int inset = 0);

signals:
    void cancel_clicked();

private:
    QLabel* first_ = nullptr;
    QLabel* second_ = nullptr;
    QPushButton* cancel_ = nullptr;
    BusyWheel* wheel_ = nullptr;
};

// The turning wheel of the busy window.
class BusyWheel : public QWidget {
    Q_OBJECT
public:
    explicit BusyWheel(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {32, 32}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* timer_ = nullptr;
    int step_ = 0;
};

}  // namespace kd
