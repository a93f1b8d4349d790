#include "pkcache.h"

namespace sigcore {
namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

char FoldByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 'a' + 'A');
  // Windows-1251: а..я (E0..FF) to А..Я (C0..DF), ё (B8) to Ё (A8).
  if (b >= 0xE0) return static_cast<char>(b - 0x20);
  if (b == 0xB8) return static_cast<char>(0xA8);
  return c;
}

}  // namespace

std::string FoldUidCase(const std::string& uid) {
  std::string folded = uid;
  for (char& c : folded) c = FoldByte(c);
  return folded;
}

bool PublicKeyCache::Empty() const {
  Guard guard(lock_);
  return entries_.empty();
}

size_t PublicKeyCache::Size() const {
  Guard guard(lock_);
  return entries_.size();
}

std::vector<std::string> PublicKeyCache::Uids() const {
  Guard guard(lock_);
  std::vector<std::string> uids;
  uids.reserve(entries_.size());
  for (const TCCom3x_CashNode& node : entries_) uids.push_back(node.uid);
  return uids;
}

void PublicKeyCache::Add(TCCom3x_CashNode node) {
  Guard guard(lock_);
  std::string key = FoldUidCase(node.uid);
  entries_.push_back(std::move(node));
  index_[std::move(key)].push_back(std::prev(entries_.end()));
}

TCCom3x_CashNode* PublicKeyCache::First(const std::string& uid) {
  const auto found = index_.find(FoldUidCase(uid));
  return found == index_.end() ? nullptr : &*found->second.front();
}

bool PublicKeyCache::Contains(const std::string& uid) const {
  Guard guard(lock_);
  return index_.contains(FoldUidCase(uid));
}

std::optional<TCCom3x_CashNode> PublicKeyCache::Find(const std::string& uid) const {
  Guard guard(lock_);
  const TCCom3x_CashNode* node = const_cast<PublicKeyCache*>(this)->First(uid);
  if (node == nullptr) return std::nullopt;
  return *node;
}

bool PublicKeyCache::Replace(const std::string& uid, TCCom3x_CashNode node) {
  Guard guard(lock_);
  if (FoldUidCase(node.uid) != FoldUidCase(uid)) return false;
  TCCom3x_CashNode* place = First(uid);
  if (place == nullptr) return false;
  *place = std::move(node);
  return true;
}

void PublicKeyCache::MarkVerified(const std::string& uid) {
  Guard guard(lock_);
  if (TCCom3x_CashNode* node = First(uid)) node->verified = true;
}

std::optional<TCCom3x_CashNode> PublicKeyCache::TakeFirst(const std::string& uid) {
  Guard guard(lock_);
  const auto found = index_.find(FoldUidCase(uid));
  if (found == index_.end()) return std::nullopt;
  const Entries::iterator place = found->second.front();
  found->second.pop_front();
  if (found->second.empty()) index_.erase(found);
  TCCom3x_CashNode node = std::move(*place);
  entries_.erase(place);
  return node;
}

std::string PublicKeyCache::OwnUid() const {
  Guard guard(lock_);
  return ownUid_;
}

void PublicKeyCache::SetOwnUid(const std::string& uid) {
  Guard guard(lock_);
  ownUid_ = uid;
}

bool PublicKeyCache::IsOwnUid(const std::string& uid) const {
  Guard guard(lock_);
  return !ownUid_.empty() && FoldUidCase(ownUid_) == FoldUidCase(uid);
}

void PublicKeyCache::Clear() {
  Guard guard(lock_);
  index_.clear();
  entries_.clear();
  ownUid_.clear();
}

}  // namespace sigcore
