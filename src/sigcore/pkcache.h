// The public-key cache of one provider binding: the parsed blocks of the user's own key and of
// the correspondents' keys, and the user's own UID.
//
// It behaves as the ordered list the rest of the kit relies on: entries stay in the order they
// were added, duplicates are kept, and a lookup by UID ignores letter case and finds the first
// entry. An index from the case-folded UID to its entries keeps lookups, replacements and
// removals independent of the directory's size.
//
// Every method takes the cache's lock. A caller that needs several steps to see one state
// (load when empty, then look up) holds Lock() around them; the lock is re-entrant.
#pragma once

#include <cstddef>
#include <deque>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "pkblock.h"

namespace sigcore {

// The form of a UID that lookups compare: the Latin and Russian letters of Windows-1251
// upper-cased, every other byte kept.
std::string FoldUidCase(const std::string& uid);

class PublicKeyCache {
 public:
  std::recursive_mutex& Lock() const { return lock_; }

  bool Empty() const;
  size_t Size() const;
  // The UIDs in cache order.
  std::vector<std::string> Uids() const;

  void Add(TCCom3x_CashNode node);
  bool Contains(const std::string& uid) const;
  // A copy of the first entry with that UID.
  std::optional<TCCom3x_CashNode> Find(const std::string& uid) const;
  // Replaces the first entry with that UID by a node of the same UID, keeping its place; false
  // when there is no such entry or the node carries another UID.
  bool Replace(const std::string& uid, TCCom3x_CashNode node);
  // Marks the first entry with that UID as carrying a good self-signature.
  void MarkVerified(const std::string& uid);
  // Removes the first entry with that UID and gives it back.
  std::optional<TCCom3x_CashNode> TakeFirst(const std::string& uid);

  // The user's own UID; empty while it is unknown.
  std::string OwnUid() const;
  void SetOwnUid(const std::string& uid);
  bool IsOwnUid(const std::string& uid) const;

  // Releases every entry and forgets the own UID.
  void Clear();

 private:
  using Entries = std::list<TCCom3x_CashNode>;

  TCCom3x_CashNode* First(const std::string& uid);

  mutable std::recursive_mutex lock_;
  Entries entries_;
  // Each folded UID's entries in cache order: entries are only ever appended, so the front of
  // each queue is the first entry of that UID.
  std::unordered_map<std::string, std::deque<Entries::iterator>> index_;
  std::string ownUid_;
};

}  // namespace sigcore
