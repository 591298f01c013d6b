#pragma once

// Modal message boxes: text, a button style and a title in, the button pressed out.

#include <QString>
#include <functional>

namespace kofrex {

inline constexpr int kButtonsOkOnly = 0;
inline constexpr int kButtonsYesNo = 4;  // Yes is the default button
// Yes, No, Yes to All and No to All, for a question asked of each file in turn.
inline constexpr int kButtonsYesNoToAll = 8;
// OK and Open Folder, for a message about files written into a folder.
inline constexpr int kButtonsOkOpenFolder = 9;
// OK and Open With…, for a file the desktop has no program for.
inline constexpr int kButtonsOkOpenWith = 10;
// Added to a button style: the second button is the default, for questions whose Yes loses data.
inline constexpr int kDefaultButton2 = 0x100;

inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
inline constexpr int kAnswerYesToAll = 10;
inline constexpr int kAnswerNoToAll = 11;
inline constexpr int kAnswerOpenFolder = 12;
inline constexpr int kAnswerOpenWith = 13;

inline constexpr const char* kApplicationTitle = "Kofrex";

class MessageBox {
  public:
    virtual ~MessageBox() = default;

    // A box given no title of its own bears the application's title.
    int Show(const QString& text, int buttons = kButtonsOkOnly, const QString& title = {});

    // Asks for a line of text, shown with `text` already typed; "" when the user cancelled.
    // `preview` says under the prompt, as the user types, what the typed text will become.
    using Preview = std::function<QString(const QString& typed)>;
    virtual QString InputBox(const QString& prompt, const QString& title, const QString& text,
                             const Preview& preview = {}) = 0;

  private:
    virtual int Present(const QString& text, int buttons, const QString& title) = 0;
};

}  // namespace kofrex
