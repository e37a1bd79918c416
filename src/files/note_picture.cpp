#include "files/note_picture.h"

#include <QImage>
#include <QPixmap>

#include "files/bmp_file.h"
#include "files/file_texts.h"
#include "files/note_file_rules.h"
#include "files/picture_module.h"
#include "note/note_services.h"
#include "note/note_view.h"
#include "platform/message_boxes.h"

namespace kd {

namespace ft = file_texts;

bool make_note_picture(NoteView& note, const std::string& format, const std::string& folder) {
    if (folder.empty()) {
        return false;
    }
    // Written at 24 bits: fewer would band the note's colours, which the picture must show as
    // the screen does.
    const QImage image = note.picture().convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) {
        return false;
    }
    const int width = image.width();
    const int height = image.height();
    std::vector<std::uint32_t> pixels;
    pixels.reserve(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            pixels.push_back(row[x] & 0xFFFFFF);
        }
    }
    const std::string bmp = picture_path(folder, ft::kNoteBmp);
    if (!write_bmp24(bmp, width, height, pixels)) {
        return false;
    }
    if (format != "png" && format != "jpg") {
        return true;
    }
    const PictureModuleTable* pictures = picture_module(note.services().modules());
    if (pictures == nullptr) {
        return false;
    }
    if (format == "png") {
        return pictures->bmp_to_png(bmp, picture_path(folder, ft::kNotePng));
    }
    const std::string bmp24 = picture_path(folder, ft::kNote24Bmp);
    return convert_bmp(bmp, bmp24, 24) &&
           pictures->bmp_to_jpeg(bmp24, picture_path(folder, ft::kNoteJpg));
}

void delete_note_pictures(MessageBoxes& boxes, QWidget* parent, const std::string& folder) {
    if (folder.empty()) {
        return;
    }
    const std::string left = delete_picture_files(folder);
    if (!left.empty()) {
        boxes.tell(parent, QMessageBox::Warning,
                   QString::fromStdString(pictures_not_deleted_message(left)));
    }
}

}  // namespace kd
