// Where a body paragraph's bullet state travels between the note body and the paragraph
// dialog: a property of the QTextBlockFormat that the body's paragraph editor is given and
// gives back.
#pragma once

#include <QTextFormat>

namespace kd {

inline constexpr int kBulletProperty = QTextFormat::UserProperty + 40;

}  // namespace kd
