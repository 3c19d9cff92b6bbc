#pragma once

#include "catalogue/VersionDefine.h"

#include <QString>

// The state names as shown and stored.
QString StateName(TVersionState state);
// The state for a stored name: checked out only for exactly "checked out".
TVersionState StateStrToEnum(const QString& s);

// The version list's caption: the folder name, and for a checked-out
// version the name of the version it came from (its own when that is not
// known) followed by " checked out by " and the owner.
QString VersionCaption(const QString& name, TVersionState state, const QString& parentVersion,
                       const QString& owner);
// The name every other view gives a version, so that it can be matched
// with the list's caption: the folder name, and for a checked-out version
// where it came from and whose it is, as in
// "Version 5 (from Version 4, checked out by root)".
QString VersionLongName(const QString& name, TVersionState state, const QString& parentVersion,
                        const QString& owner);

// What a catalogue change was. Only ItemAdded and ItemdEdited are raised.
enum class ChangeKind { ItemAdded, ItemDeleted, ItemdEdited, StartRefresh, StopRefresh };
