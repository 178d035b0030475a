#pragma once

#include <poll.h>

#include <vector>

namespace kestro::platform::x11 {

// Another event source the X11 event loop waits on beside its own (the GTK
// toolkit's main context while a dialog is open): before each wait it adds
// its descriptors and says how long the wait may last; after the wait it
// handles what is ready. Everything runs on the main thread.
class LoopSource {
 public:
  virtual ~LoopSource() = default;
  // Appends descriptors to `fds`; answers the longest wait in milliseconds
  // (-1: no limit of its own).
  virtual int Prepare(std::vector<pollfd>& fds) = 0;
  // Handles what is ready; `fds` are the ones Prepare appended, with their
  // results.
  virtual void Dispatch(const pollfd* fds, std::size_t count) = 0;
};

void AddLoopSource(LoopSource* source);
void RemoveLoopSource(LoopSource* source);

}  // namespace kestro::platform::x11
