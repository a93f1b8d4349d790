#include "fieldedit.h"

#include <algorithm>

namespace orvavk {

TEditResult ApplyEdit(TSecretText& value, std::wstring* shown, const TEditRequest& request,
                      TLcgRandom& random) {
  if (shown && shown->size() != value.size())
    *shown = DecoyFor(std::wstring_view(value.data(), value.size()), random);

  TEditResult result;
  size_t at = std::min(request.caret, value.size());
  const size_t selected = std::min(request.selection, value.size() - at);
  size_t removeFrom = at;
  size_t removeCount = 0;
  if (selected > 0) {
    removeCount = selected;
    if (request.kind == TEditKind::Cut) result.removed.assign(value, at, selected);
  } else if (request.kind == TEditKind::Backspace && at > 0) {
    // The caret stays where the removed character stood.
    removeFrom = --at;
    removeCount = 1;
  } else if (request.kind == TEditKind::Delete && at < value.size()) {
    removeCount = 1;
  }
  value.erase(removeFrom, removeCount);
  if (shown) shown->erase(removeFrom, removeCount);

  std::wstring_view text = request.kind == TEditKind::Insert ? request.text : std::wstring_view();
  if (request.maxLength > 0) {
    const size_t limit = static_cast<size_t>(request.maxLength);
    text = text.substr(0, limit > value.size() ? limit - value.size() : 0);
  }
  value.insert(at, text.data(), text.size());
  if (shown) shown->insert(at, DecoyFor(text, random));
  result.caret = at + text.size();
  return result;
}

}  // namespace orvavk
