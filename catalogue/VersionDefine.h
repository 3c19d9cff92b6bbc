#pragma once

#include <QtGlobal>

// Version-control state of a version; also its list group and picture.
enum TVersionState : quint8 { vsCheckedIn = 0, vsCheckedOut = 1 };
