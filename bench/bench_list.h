#pragma once

#include <string>

namespace kofrex::bench {

// Milliseconds that ListFiles of the archive at `path` takes in an offscreen window, until
// the list has been painted; one measurement. Needs a QApplication.
double TimeListFiles(const std::string& path);

}  // namespace kofrex::bench
