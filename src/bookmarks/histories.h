#pragma once

#include "bookmarks/records.h"

// The command box's kinds, shared by the command box, ContentType and the
// "Type" of a user-folder entry.
namespace ContentKind {
inline constexpr int WebAddress = 0;
inline constexpr int SearchText = 1;
inline constexpr int ForumGoWord = 2;
inline constexpr int Count = 3;
} // namespace ContentKind

// The three process-wide histories, one per kind, each created on first use.
// They live in memory only: every run starts with three empty lists.
namespace Histories {
// The history of `kind` (0 to 2); error 9 for any other kind.
cListHistory& forKind(int kind);
// Empties all three, as a new run of the program would have them.
void resetAll();
} // namespace Histories
