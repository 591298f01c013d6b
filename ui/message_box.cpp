#include "message_box.h"

namespace kofrex {

int MessageBox::Show(const QString& text, int buttons, const QString& title) {
    return Present(text, buttons, title.isEmpty() ? QString::fromLatin1(kApplicationTitle) : title);
}

}  // namespace kofrex
