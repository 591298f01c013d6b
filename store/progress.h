#pragma once

// How a long operation tells its caller how far it has come, and learns whether to go on. The
// store runs on the caller's one thread: the caller repaints and reads its Cancel button inside
// the callback.

#include <cstdint>
#include <functional>
#include <stdexcept>

namespace kofrex {

struct Progress {
    std::int64_t done = 0;   // bytes written so far, the flush to disk included
    std::int64_t total = 0;  // bytes the operation writes in all
    bool waiting = false;    // true while another program holds the archive's lock
};

// Returns false to stop the operation.
using ProgressCallback = std::function<bool(const Progress&)>;

// Raised out of an operation whose callback said stop. Every file is as it was before the
// operation began and no temporary file remains; this is no error, and shows no message.
class OperationCancelled : public std::runtime_error {
  public:
    OperationCancelled() : std::runtime_error("cancelled") {}
};

}  // namespace kofrex
