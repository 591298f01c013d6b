// The window icon and the desktop id that the program takes from kofrex_icons, checked against
// the desktop entry and metainfo that the package installs.
#include "kofrex_icons.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRegularExpression>
#include <QString>

namespace {

const QString packagingDir = QStringLiteral(KOFREX_PACKAGING_DIR);

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    return QString::fromUtf8(file.readAll());
}

bool hasOpaquePixel(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255) return true;
    return false;
}

TEST(DesktopId, NamesTheInstalledEntryAndItsIcon) {
    const QString id = QLatin1String(kofrex::desktopFileId);
    const QString entry = readText(packagingDir + "/" + id + ".desktop");
    ASSERT_FALSE(entry.isEmpty()) << "no desktop entry named " << id.toStdString() << ".desktop";
    const auto icon = QRegularExpression("^Icon=(.*)$", QRegularExpression::MultilineOption).match(entry);
    ASSERT_TRUE(icon.hasMatch());
    EXPECT_EQ(icon.captured(1), id);
}

TEST(DesktopId, IsTheMetainfoIdAndLaunchable) {
    const QString id = QLatin1String(kofrex::desktopFileId);
    const QString metainfo = readText(packagingDir + "/" + id + ".metainfo.xml");
    ASSERT_FALSE(metainfo.isEmpty());
    EXPECT_TRUE(metainfo.contains("<id>" + id + "</id>"));
    EXPECT_TRUE(metainfo.contains("<launchable type=\"desktop-id\">" + id + ".desktop</launchable>"));
}

TEST(ApplicationIcon, HoldsTheThreeSizesFromTheLinkedResources) {
    const QIcon icon = kofrex::applicationIcon();
    ASSERT_FALSE(icon.isNull()) << "icon resources not linked or not initialised";
    const QList<QSize> sizes = icon.availableSizes();
    EXPECT_EQ(sizes, (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    for (const int size : {16, 32, 48}) {
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        EXPECT_EQ(image.size(), QSize(size, size)) << "at " << size;
        EXPECT_TRUE(hasOpaquePixel(image)) << "blank icon at " << size;
    }
}

TEST(ApplicationIcon, ResourceImagesHaveTheSizeTheirFolderNames) {
    kofrex::applicationIcon();  // registers the resources
    for (const int size : {16, 32, 48}) {
        const QString path = QStringLiteral(":/icons/%1x%1/%2.png").arg(size).arg(kofrex::desktopFileId);
        const QImage image(path);
        ASSERT_FALSE(image.isNull()) << path.toStdString();
        EXPECT_EQ(image.size(), QSize(size, size)) << path.toStdString();
        EXPECT_TRUE(image.hasAlphaChannel()) << path.toStdString();
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    // Icons need a GUI application but no screen; test discovery runs without ctest's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
