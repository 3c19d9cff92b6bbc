#pragma once

// Shows the busy cursor for as long as it lives, also when an error
// leaves the scope.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
