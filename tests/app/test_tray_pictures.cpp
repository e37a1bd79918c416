// The tray menu's pictures: one per item, each its own, sharp at 2x, fainter when greyed.
// With KD_SCREENSHOT_DIR set, the menu as it shows is written there as tray-menu.png.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QTest>

#include <set>

#include "app/tray_menu.h"
#include "app/tray_pictures.h"

namespace kd {
namespace {

QImage drawn(int id, qreal scale, QIcon::Mode mode = QIcon::Normal) {
    return drawn_tray_picture(id).pixmap(QSize(16, 16), scale, mode).toImage();
}

std::vector<int> item_ids() {
    std::vector<int> ids;
    for (const TrayMenuItem& item : kTrayMenuItems) {
        if (item.id != kSeparator) {
            ids.push_back(item.id);
        }
    }
    return ids;
}

int ink(const QImage& image) {
    int sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            sum += qAlpha(image.pixel(x, y));
        }
    }
    return sum;
}

TEST(TrayPictures, EveryItemHasItsOwnPictureAndThemeName) {
    std::set<QString> names;
    std::vector<QImage> images;
    for (int id : item_ids()) {
        EXPECT_FALSE(tray_picture(id).isNull()) << id;
        names.insert(QString::fromLatin1(tray_picture_name(id)));
        const QImage image = drawn(id, 1.0);
        EXPECT_GT(ink(image), 255 * 20) << "picture " << id << " is nearly empty";
        for (const QImage& other : images) {
            EXPECT_NE(image, other) << "picture " << id << " repeats another";
        }
        images.push_back(image);
    }
    EXPECT_EQ(names.size(), item_ids().size());
    EXPECT_TRUE(tray_picture(12345).isNull());
}

TEST(TrayPictures, DrawnAtTwiceTheScaleTheyHaveTwiceThePixelsAndGreyedOnesAreFainter) {
    for (int id : item_ids()) {
        const QPixmap sharp = drawn_tray_picture(id).pixmap(QSize(16, 16), 2.0);
        EXPECT_EQ(sharp.size(), QSize(32, 32)) << id;
        EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
        // Painted at 32 pixels, not an enlarged 16-pixel picture.
        const QImage enlarged =
            drawn(id, 1.0).scaled(32, 32).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        EXPECT_NE(sharp.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), enlarged)
            << id;
        EXPECT_LT(ink(drawn(id, 1.0, QIcon::Disabled)), ink(drawn(id, 1.0)) * 6 / 10) << id;
    }
}

TEST(TrayPictures, MenuAsItShows) {
    QMenu menu;
    for (const TrayMenuItem& item : kTrayMenuItems) {
        if (item.id == kSeparator) {
            menu.addSeparator();
            continue;
        }
        QAction* action =
            menu.addAction(drawn_tray_picture(item.id), QString::fromUtf8(item.caption));
        action->setEnabled(item.id != kCmdShowAll);  // as right after start
    }
    menu.popup(QPoint(40, 40));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    const QByteArray dir = qgetenv("KD_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        menu.grab().save(QString::fromLocal8Bit(dir) + "/tray-menu.png");
    }
    EXPECT_GE(menu.height(), 9 * 16);
}

}  // namespace
}  // namespace kd
