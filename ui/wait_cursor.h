#pragma once

namespace kofrex {

// Shows the wait cursor while file work runs; the previous cursor comes back however the
// scope is left, an error included.
class WaitCursor {
  public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace kofrex
