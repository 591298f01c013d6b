#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "modKofrex.h"

namespace kofrex {
class frmMain;
}

namespace kofrex::bench {

// An offscreen window over a store, as the program shows it. Needs a QApplication.
class ShownWindow {
  public:
    explicit ShownWindow(modKofrex& store);
    ~ShownWindow();
    // What a command does last: ListFiles, until the list has been painted.
    void ListFiles();
    QWidget* Widget() const;
    // Milliseconds from selecting `row` to its size shown and what changed painted.
    double TimeSelect(int row);

  private:
    std::unique_ptr<frmMain> window_;
};

// Milliseconds that ListFiles of the archive at `path` takes until the list has been painted;
// one measurement, or -1 when the archive does not open.
double TimeListFiles(const std::string& path);

}  // namespace kofrex::bench
