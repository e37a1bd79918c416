#include "platform/tip_look.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QToolTip>
#include <QWidget>

namespace kd {

namespace {

const QColor kTipBackground(0xff, 0xff, 0xaf);
const QColor kTipText(Qt::black);

QString tip_rule(bool with_width) {
    QString rule = QStringLiteral(
                       "QToolTip { background-color: %1; color: %2; "
                       "border: 1px solid #808080; ")
                       .arg(kTipBackground.name(), kTipText.name());
    if (with_width) {
        rule += QStringLiteral("max-width: %1px; ").arg(kTipWidth);
    }
    return rule + QStringLiteral("}");
}

// Whether a window or widget around `widget` sets the width of its tips (kWideTipStyle).
bool width_set_above(const QWidget* widget) {
    for (const QWidget* w = widget->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (w->styleSheet().contains(QStringLiteral("max-width"))) {
            return true;
        }
    }
    return false;
}

// A widget takes the rule when it is first asked for its tip, before the tip shows: the tip
// takes the style sheets of the widget it belongs to. A rule for the whole application would
// put every widget of every note through the style-sheet style, a third of what making a
// note cost; this way only the widgets whose tips the user looks at go through it.
class TipLook : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::ToolTip && object->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(object);
            const QString own = widget->styleSheet();
            if (!own.contains(QStringLiteral("QToolTip"))) {
                widget->setStyleSheet(own + tip_rule(!width_set_above(widget)));
            }
        }
        return false;
    }
};

}  // namespace

void install_tip_look() {
    // The palette serves styles that paint tips themselves; the rule serves the rest and sets
    // the width.
    QPalette palette = QToolTip::palette();
    palette.setColor(QPalette::ToolTipBase, kTipBackground);
    palette.setColor(QPalette::ToolTipText, kTipText);
    palette.setColor(QPalette::Window, kTipBackground);
    palette.setColor(QPalette::WindowText, kTipText);
    QToolTip::setPalette(palette);
    static const QString kFilterName = QStringLiteral("kd_tip_look");
    if (qApp->findChild<QObject*>(kFilterName, Qt::FindDirectChildrenOnly) == nullptr) {
        auto* look = new TipLook(qApp);
        look->setObjectName(kFilterName);
        qApp->installEventFilter(look);
    }
}

}  // namespace kd
