// The desktop id and window icon that the program takes from kofrex_icons, checked against the
// files the package installs; and the archive that the command line names.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include "command_line.h"
#include "kofrex_icons.h"

namespace {

QString ReadPackagingFile(const QString& name) {
    QFile file(QStringLiteral(KOFREX_PACKAGING_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(Packaging, DesktopIdNamesTheEntryItsIconAndTheMetainfo) {
    const QString id = QLatin1String(kofrex::desktopFileId);
    EXPECT_TRUE(ReadPackagingFile(id + ".desktop").contains("\nIcon=" + id + "\n"));
    const QString metainfo = ReadPackagingFile(id + ".metainfo.xml");
    EXPECT_TRUE(metainfo.contains("<id>" + id + "</id>"));
    EXPECT_TRUE(
        metainfo.contains("<launchable type=\"desktop-id\">" + id + ".desktop</launchable>"));
}

TEST(Packaging, WindowIconHasEachSizeFromItsOwnImage) {
    const QIcon icon = kofrex::applicationIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    for (const int size : {16, 32, 48}) {
        const QImage image(
            QStringLiteral(":/icons/%1x%1/%2.png").arg(size).arg(kofrex::desktopFileId));
        EXPECT_EQ(image.size(), QSize(size, size)) << "resource image at " << size;
        EXPECT_TRUE(image.hasAlphaChannel()) << "at " << size;
        EXPECT_NE(image.pixelColor(size / 2, size / 2).alpha(), 0) << "blank centre at " << size;
    }
}

TEST(Packaging, CommandLineNamesAtMostOneArchiveByItsFullPath) {
    const QString here = QDir::currentPath();
    const struct {
        QStringList arguments;
        QString archive;
    } cases[] = {
        {{}, {}},
        {{"a.kfx"}, here + "/a.kfx"},
        {{"/tmp/two words.kfx"}, "/tmp/two words.kfx"},
        {{"sub/../b.kfx"}, here + "/b.kfx"},
        {{"--", "-dash.kfx"}, here + "/-dash.kfx"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kofrex::ArchiveNamedOnCommandLine(QStringList{"kofrex"} + c.arguments), c.archive)
            << c.arguments.join(' ').toStdString();
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    // Icons need a GUI application but no screen; test discovery runs without ctest's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
