// The one way the content of an input field changes while a form is shown: on-screen keys,
// typed characters, paste, Backspace, Delete and cut all come down to one edit at the caret.
// A masked field shows decoys in the real value's place, and every edit changes both alike, so
// the decoys always stand exactly where the value's characters stand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "decoys.h"
#include "secrettext.h"

namespace orvavk {

enum class TEditKind { Insert, Backspace, Delete, Cut };

struct TEditRequest {
  TEditKind kind = TEditKind::Insert;
  size_t caret = 0;        // where the selection starts, or the caret without one
  size_t selection = 0;    // characters selected after the caret
  std::wstring_view text;  // what Insert puts in the selection's place
  int32_t maxLength = 0;   // characters the value may hold; 0 or less: no limit
};

struct TEditResult {
  size_t caret = 0;     // where the caret goes: after what was inserted
  TSecretText removed;  // what a cut took out of the value
};

// Applies `request` to `value` and, for a masked field, to `shown`, the decoys in the value's
// place (null for a field that shows its value). A selection is removed first, whatever the
// kind; Backspace and Delete without one remove the character before or after the caret; the
// inserted text is cut to the room the maximum length leaves. Positions beyond the value are
// taken as its end. Decoys that no longer match the value's length (another program changed
// the window text) are drawn anew.
TEditResult ApplyEdit(TSecretText& value, std::wstring* shown, const TEditRequest& request,
                      TLcgRandom& random = LibraryRandom());

}  // namespace orvavk
