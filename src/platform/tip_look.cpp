#include "platform/tip_look.h"

#include <QApplication>
#include <QPalette>
#include <QToolTip>

namespace kd {

namespace {

const QColor kTipBackground(0xff, 0xff, 0xaf);
const QColor kTipText(Qt::black);

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
    qApp->setStyleSheet(QStringLiteral("QToolTip { background-color: %1; color: %2; "
                                       "border: 1px solid #808080; max-width: %3px; }")
                            .arg(kTipBackground.name(), kTipText.name())
                            .arg(kTipWidth));
}

}  // namespace kd
