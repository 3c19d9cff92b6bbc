#include "ui/UiFonts.h"

#include <QStringList>

namespace {

QFont WithFamilies(const QStringList& families) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QStringList TahomaFamilies() {
    return {QStringLiteral("Tahoma"), QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"),
            QStringLiteral("Liberation Sans"), QStringLiteral("Sans Serif")};
}

} // namespace

namespace UiFonts {

QFont Tahoma(int pointSize) {
    QFont font = WithFamilies(TahomaFamilies());
    font.setPointSize(pointSize);
    return font;
}

QFont TahomaPixels(int pixelSize) {
    QFont font = WithFamilies(TahomaFamilies());
    font.setPixelSize(pixelSize);
    return font;
}

QFont ArialNarrow(int pointSize) {
    QFont font =
        WithFamilies({QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
                      QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Sans Serif")});
    font.setPointSize(pointSize);
    // Picks the condensed face of a family that has one.
    font.setStretch(QFont::Condensed);
    return font;
}

QFont MsSansSerifPixels(int pixelSize) {
    QFont font =
        WithFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Sans Serif")});
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace UiFonts
