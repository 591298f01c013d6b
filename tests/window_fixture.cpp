#include "window_fixture.h"

#include <QTest>

namespace kofrex::test {

WindowTest::WindowTest() {
    auto scriptedDialog = std::make_unique<ScriptedDialog>();
    auto scriptedMessages = std::make_unique<ScriptedMessageBox>();
    dialog = scriptedDialog.get();
    messages = scriptedMessages.get();
    window = std::make_unique<frmMain>(
        store, WindowPlatform{std::move(scriptedDialog), std::move(scriptedMessages),
                              [this](int status) { exitStatuses.push_back(status); }});
}

void WindowTest::ShowWindow() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
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
