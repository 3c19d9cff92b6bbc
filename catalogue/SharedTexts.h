#pragma once

#include <QString>

// One copy of each text that repeats across thousands of versions (their
// names, parents, owners, dates and editors): equal texts share their
// characters through QString's implicit sharing, so that a loaded version
// costs little more than its own description. For the catalogue's thread.
class SharedTexts {
public:
    // An equal text already held, sharing its characters; else text itself,
    // which is then held for the next.
    static QString Of(const QString& text);
};
