#pragma once

namespace tunewick {

// The hourglass for the length of a long operation. Construction stores the cursor
// shape in force in `savedCursor` and shows the hourglass; destruction restores it,
// also when an exception leaves the operation.
class BusyCursor {
 public:
  explicit BusyCursor(int& savedCursor);
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace tunewick
