#pragma once

// Modal message boxes: text, a button style and a title in, the button pressed out.

#include <QString>

namespace kofrex {

inline constexpr int kButtonsOkOnly = 0;
inline constexpr int kButtonsYesNo = 4;  // Yes is the default button

inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

inline constexpr const char* kApplicationTitle = "Kofrex";

class MessageBox {
  public:
    virtual ~MessageBox() = default;

    // A box given no title of its own bears the application's title.
    int Show(const QString& text, int buttons = kButtonsOkOnly, const QString& title = {});

  private:
    virtual int Present(const QString& text, int buttons, const QString& title) = 0;
};

}  // namespace kofrex
