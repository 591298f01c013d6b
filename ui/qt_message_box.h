#pragma once

#include <QWidget>

#include "message_box.h"

namespace kofrex {

// QMessageBox without an icon, modal to `parent`.
class QtMessageBox : public MessageBox {
  public:
    explicit QtMessageBox(QWidget* parent) : parent_(parent) {}

    QString InputBox(const QString& prompt, const QString& title, const QString& text,
                     const Preview& preview) override;

  private:
    int Present(const QString& text, int buttons, const QString& title) override;

    QWidget* parent_;
};

}  // namespace kofrex
