#include "window_fixture.h"

#include <QFile>
#include <QTest>

#include "archive_format.h"

namespace kofrex::test {
namespace {

QByteArray Bytes(const auto& array) {
    return QByteArray(array.data(), static_cast<qsizetype>(array.size()));
}

}  // namespace

WindowTest::WindowTest() {
    auto scriptedDialog = std::make_unique<ScriptedDialog>();
    auto scriptedMessages = std::make_unique<ScriptedMessageBox>();
    dialog = scriptedDialog.get();
    messages = scriptedMessages.get();
    window = std::make_unique<frmMain>(
        store, WindowPlatform{std::move(scriptedDialog), std::move(scriptedMessages),
                              [this](int status) { exitStatuses.push_back(status); }});
}

WindowTest::~WindowTest() = default;

void WindowTest::WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray WindowTest::ReadBytes(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

QString WindowTest::MakeArchive(const QString& name, const std::vector<StoredFile>& files) const {
    const auto count = static_cast<std::int32_t>(files.size());
    QByteArray image = Bytes(EncodeHeader({kSignature, kVersion, count}));
    auto offset = static_cast<std::int32_t>(DirectoryEnd(count) + 1);
    QByteArray data;
    for (const StoredFile& file : files) {
        const auto size = static_cast<std::int32_t>(file.data.size());
        image += Bytes(EncodeEntry({file.name.toStdString(), offset, size}));
        data += file.data;
        offset += size;
    }
    const QString path = Path(name);
    WriteBytes(path, image + data);
    return path;
}

void WindowTest::ShowWindow() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

void WindowTest::OpenThroughWindow(const QString& path) {
    dialog->WillChoose(path);
    window->cmdBrowse->click();
}

void WindowTest::ClickRow(int row) {
    const QModelIndex index = window->lstFiles->model()->index(row, 0);
    window->lstFiles->scrollTo(index);
    QTest::mouseClick(window->lstFiles->viewport(), Qt::LeftButton, {},
                      window->lstFiles->visualRect(index).center());
}

QStringList WindowTest::Rows() const {
    QStringList rows;
    for (int i = 0; i < window->lstFiles->ListCount(); ++i) {
        rows << window->lstFiles->List(i);
    }
    return rows;
}

QStringList WindowTest::MessageTexts() const {
    QStringList texts;
    for (const MessageShown& shown : messages->Shown()) {
        texts << shown.text;
    }
    return texts;
}

}  // namespace kofrex::test
