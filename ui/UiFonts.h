#pragma once

#include <QFont>

// The fonts of the program's windows, with Linux stand-ins for the
// Windows fonts of the design; Qt takes the first family it finds.
namespace UiFonts {

// The windows' default font.
QFont Tahoma(int pointSize);
QFont TahomaPixels(int pixelSize);
// The ribbon's font.
QFont ArialNarrow(int pointSize);
// The details panel and the about box.
QFont MsSansSerifPixels(int pixelSize);

} // namespace UiFonts
