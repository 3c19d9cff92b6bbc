#pragma once

#include "catalogue/VersionDefine.h"

#include <QString>

// The state names as shown and stored.
QString StateName(TVersionState state);
// The state for a stored name: checked out only for exactly "checked out".
TVersionState StateStrToEnum(const QString& s);

// What a catalogue change was. Only ItemAdded and ItemdEdited are raised.
enum class ChangeKind { ItemAdded, ItemDeleted, ItemdEdited, StartRefresh, StopRefresh };
