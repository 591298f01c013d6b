#pragma once

// The program's texts and Qt's own (Yes, No, Cancel, the file dialog) in the user's language,
// for as long as the object lives. English, the texts' own language, loads nothing.

#include <QLocale>
#include <QTranslator>

namespace kofrex {

class Translations {
  public:
    // Installs into the running QCoreApplication, which must outlive this object.
    explicit Translations(const QLocale& locale = QLocale::system());
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

  private:
    QTranslator qt_;
    QTranslator own_;
};

}  // namespace kofrex
