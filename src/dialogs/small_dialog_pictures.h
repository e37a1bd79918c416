// The pictures of the small dialogs, drawn rather than loaded: the key of the password
// dialog, the pen of the text-entry dialog, and the alignment marks of the paragraph dialog.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace kd {

QPixmap key_picture(int size);
QPixmap pen_picture(int size);
// `alignment` 1 left, 3 centre, 2 right.
QIcon alignment_picture(int alignment);

}  // namespace kd
