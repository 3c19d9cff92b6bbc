#pragma once

#include <QString>
#include <QStringList>

// The login name of the person running the program, or "Unknown" when the
// system knows none. Owner of check-outs and check-ins.
QString GetUserFromWindows();

// The first candidate that is not empty, or "Unknown": the rule behind
// GetUserFromWindows, given the names the system offers in order of trust.
QString FirstUserName(const QStringList& candidates);
