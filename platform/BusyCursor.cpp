#include "platform/BusyCursor.h"

#include "platform/UserInterface.h"

BusyCursor::BusyCursor() {
    User().BeginBusy();
}

BusyCursor::~BusyCursor() {
    User().EndBusy();
}
