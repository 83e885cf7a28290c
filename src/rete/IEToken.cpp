#include "rete/IEToken.h"

#include <algorithm>

#include "collections/BlockPool.h"
#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "facts/IESlotTest.h"

const std::vector<std::string>& TokenActionNames() {
  static const std::vector<std::string> names{"taClear", "taAdd", "taRemove", "taUpdate"};
  return names;
}

const std::vector<std::string>& CallTypeNames() {
  static const std::vector<std::string> names{"ctLeft", "ctRight", "ctSingle", "ctActivate"};
  return names;
}

// ---------------------------------------------------------------------------
// TIEToken

namespace {

int32_t IdOf(const TTokenFact& fact) { return fact ? fact->ID() : 0; }

// Two fact objects stand for the same matched fact when their ids agree and,
// both being there, so do their contents: the splits of one fact's multifield
// are copies under the fact's id that differ only in how the multifield is
// divided, and each is a match of its own.
bool SameFact(const TTokenFact& a, const TTokenFact& b) {
  if (IdOf(a) != IdOf(b)) return false;
  return !a || !b || a->Equals(b.get());
}

// The identity of a chain extended by a fact id.
uint64_t MixIdentity(uint64_t parent, int32_t id) {
  uint64_t x = (parent + 0x9E3779B97F4A7C15ull) ^ (uint64_t(uint32_t(id)) * 0xBF58476D1CE4E5B9ull);
  x ^= x >> 31;
  x *= 0x94D049BB133111EBull;
  return x ^ (x >> 29);
}

}  // namespace

TIEToken::TIEToken(TTokenAction tag, IFact fact)
    : tag_(tag), fact_(fact.get()), size_(1), identity_(MixIdentity(0, IdOf(fact_))) {
  if (!fact_ && tag != taClear) throw EIEException(SInvalidTokenAction);
}

TIEToken::~TIEToken() {
  // A right token normally outlives its matches (its join withdraws them
  // first); should it not, they forget it rather than point at freed memory.
  for (TIEMatchToken* match = firstRightMatch_; match;) {
    TIEMatchToken* next = match->rightNext_;
    match->right_ = match->rightPrev_ = match->rightNext_ = nullptr;
    match = next;
  }
}

namespace {

// Appends Entry to the list headed by First, through the links Prev and Next.
using TLink = TIEMatchToken* TIEMatchToken::*;

void Append(TIEMatchToken*& first, TIEMatchToken* entry, TLink prev, TLink next) {
  entry->*next = nullptr;
  if (!first) {
    entry->*prev = entry;
    first = entry;
    return;
  }
  TIEMatchToken* last = first->*prev;
  last->*next = entry;
  entry->*prev = last;
  first->*prev = entry;
}

void Unlink(TIEMatchToken*& first, TIEMatchToken* entry, TLink prev, TLink next) {
  TIEMatchToken* before = entry->*prev;
  TIEMatchToken* after = entry->*next;
  if (entry == first) {
    first = after;
    if (after) after->*prev = before;  // the last entry
  } else {
    before->*next = after;
    if (after) after->*prev = before;
    else first->*prev = before;
  }
  entry->*prev = entry->*next = nullptr;
}

}  // namespace

void TIEToken::LinkMatch(TIEMatchToken& match, TIEToken* right, const void* join) {
  match.AddRef();
  match.listedBy_ = join;
  match.right_ = right;
  Append(match.parent_->firstLeftMatch_, &match, &TIEMatchToken::leftPrev_, &TIEMatchToken::leftNext_);
  if (right) Append(right->firstRightMatch_, &match, &TIEMatchToken::rightPrev_, &TIEMatchToken::rightNext_);
}

bool TIEMatchToken::UnlinkMatch() {
  if (!listedBy_) return false;
  listedBy_ = nullptr;
  Unlink(Parent()->firstLeftMatch_, this, &TIEMatchToken::leftPrev_, &TIEMatchToken::leftNext_);
  const bool underRight = right_ != nullptr;
  if (underRight)
    Unlink(right_->firstRightMatch_, this, &TIEMatchToken::rightPrev_, &TIEMatchToken::rightNext_);
  right_ = nullptr;
  Release();
  return underRight;
}

TRef<TIEMatchToken> TIEToken::Extend(const TTokenRef& parent, TCustomFact* fact) {
  TRef<TIEMatchToken> token = MakeRef<TIEMatchToken>();
  token->fact_ = TTokenFact(fact);
  token->parent_ = parent;
  token->size_ = parent ? parent->size_ + 1 : 1;
  token->tag_ = parent ? parent->tag_ : taAdd;
  token->identity_ = MixIdentity(parent ? parent->identity_ : 0, IdOf(token->fact_));
  return token;
}

TTokenRef TIEToken::Copy(const TIEToken& source) {
  TTokenRef token = MakeRef<TIEToken>();
  token->fact_ = source.fact_;
  token->parent_ = source.parent_;
  token->size_ = source.size_;
  token->identity_ = source.identity_;
  token->tag_ = source.tag_;
  return token;
}

bool TIEToken::IsEqual(const TIEToken* other) const {
  // Walks both chains iteratively: long tokens would otherwise recurse deeply.
  const TIEToken* a = this;
  const TIEToken* b = other;
  // Equal chains have equal identities: most unequal tokens stop here.
  if (b && a != b && a->identity_ != b->identity_) return false;
  while (true) {
    if (a == b) return true;
    if (!b || a->identity_ != b->identity_) return false;
    // The same fact object is the same fact: only different objects are asked.
    if (a->fact_.get() != b->fact_.get() && !SameFact(a->fact_, b->fact_)) return false;
    if (!a->parent_) return true;
    if (a->parent_ == b->parent_) return true;
    if (!b->parent_) return false;
    a = a->parent_.get();
    b = b->parent_.get();
  }
}

int32_t TIEToken::Hash() const {
  std::vector<const TIEToken*> chain;
  for (const TIEToken* token = this; token && token->size_ > 0; token = token->parent_.get())
    chain.push_back(token);
  // Wrapping arithmetic on the unsigned representation, oldest fact first.
  uint32_t hash = 0;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) hash = hash * 8u + uint32_t(IdOf((*it)->fact_));
  return int32_t(hash);
}

void TIEToken::SetTag(TTokenAction tag) {
  if (tag != taClear && !fact_) throw EIEException(SInvalidTokenAction);
  tag_ = tag;
}

std::string TIEToken::Text() const {
  std::string text = TokenActionNames()[tag_];
  text += ' ';
  text += std::to_string(size_);
  for (const TIEToken* token = this; token && token->fact_; token = token->parent_.get()) {
    text += "\r\n";
    text += token->fact_->AsText();
  }
  return text;
}

std::string TIEToken::FactIdsText() const {
  std::vector<int32_t> ids;
  ids.reserve(size_t(std::max(size_, 0)));
  for (const TIEToken* token = this; token && token->fact_; token = token->parent_.get())
    ids.push_back(token->fact_->ID());
  std::string text;
  for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
    if (!text.empty()) text += SFactIdSeparator;
    text += SFactIdPrefix;
    text += std::to_string(*it);
  }
  return text;
}

// ---------------------------------------------------------------------------
// TIETokenTree

TIETokenTree::TIETokenTree(TKeyKind kind, int32_t bucketCount, std::string slotName,
                           int32_t subIndex, int32_t tokenIndex)
    : kind_(kind), bucketCount_(bucketCount > 0 ? bucketCount : 1),
      slotName_(std::move(slotName)), subIndex_(subIndex), tokenIndex_(tokenIndex),
      indexed_(kind != tkSlot) {
  if (kind_ == tkSlot) readers_.push_back({TSlotReader(slotName_), subIndex_, tokenIndex_});
}

TIETokenTree::TIETokenTree(int32_t bucketCount, const std::vector<TKeyPart>& parts)
    : kind_(tkSlot), bucketCount_(bucketCount > 0 ? bucketCount : 1),
      slotName_(parts.empty() ? std::string() : parts[0].Slot),
      subIndex_(parts.empty() ? -1 : parts[0].SubIndex),
      tokenIndex_(parts.empty() ? 0 : parts[0].TokenIndex), indexed_(false) {
  for (const TKeyPart& part : parts)
    readers_.push_back({TSlotReader(part.Slot), part.SubIndex, part.TokenIndex});
}

int32_t TIETokenTree::Key(const TIEToken& token) const {
  switch (kind_) {
    case tkTokenHash:
      return token.IdentityKey();
    case tkParentHash:
      return token.Parent() ? token.Parent()->IdentityKey() : 0;
    case tkFactId: {
      TCustomFact* fact = token.FactAt(tokenIndex_);
      return fact ? fact->ID() : 0;
    }
    case tkSlot: {
      uint32_t key = 0;
      for (const TPartReader& part : readers_) {
        TCustomFact* fact = token.FactAt(part.TokenIndex);
        const TIEValue* value =
            part.SubIndex == -1 ? part.Reader.Peek(fact) : part.Reader.Peek(fact, part.SubIndex);
        // Mixed before each further part: hashes of small integers and of
        // short names differ in a few low bits, and a plain sum would make
        // many different pairs of values share a key.
        key *= 0x9E3779B1u;
        key ^= key >> 15;
        key += uint32_t(value ? value->HashCode() : 0);
      }
      return int32_t(key);
    }
  }
  return 0;
}

TIETokenTree::~TIETokenTree() {
  DropTokens();
  DropBuckets();
  FreeRetired();
}

const TIETokenTree::TBucket* TIETokenTree::Bucket(int32_t key) const {
  if (!Keyed()) return nullptr;
  if (!indexed_) {
    if (walking_ > 0) return nullptr;
    const_cast<TIETokenTree*>(this)->BuildIndex();
  }
  if (!MayHaveKey(key)) return nullptr;
  const TKeyedBucket* bucket = FindBucket(key);
  return bucket && !bucket->Tokens.empty() ? &bucket->Tokens : nullptr;
}

bool TIETokenTree::IsHome(const TIEToken& token) const noexcept {
  if (!token.home_) return false;
  switch (token.homeKind_) {
    case TIEToken::hkWalkedMemory:
      return token.home_ == this;
    case TIEToken::hkKeyedBucket:
      return static_cast<const TKeyedBucket*>(token.home_)->Owner == this;
    case TIEToken::hkActivation:
      return false;
  }
  return false;
}

bool TIETokenTree::Add(const TTokenRef& token, int32_t key) {
  if (!token || IsHome(*token)) return false;
  const bool home = homes_ && !token->home_ && token->WithdrawnAsItself() && token->tag_ != taUpdate;
  if (!home && StoredAlready(*token, key)) return false;
  Store(token, key, home);
  return true;
}

bool TIETokenTree::StoredAlready(const TIEToken& token, int32_t key) {
  auto same = [&](uint32_t position) { return arrived_[position - base_]->IsEqual(&token); };
  if (Indexed())
    return places_.Find(token.Identity(), [&](const TPlace& place) {
      return place.Bucket->Tokens[place.Index]->IsEqual(&token);
    });
  if (Keyed()) return positions_.Find(uint32_t(token.Identity()), same);
  return positions_.Find(uint32_t(key), same);
}

void TIETokenTree::Store(const TTokenRef& token, int32_t key, bool home) {
  if (Indexed()) {
    TKeyedBucket* found = FindBucket(key);
    if (!found) {
      found = new TKeyedBucket;
      found->Key = key;
      found->Owner = this;
      buckets_.push_back(found);
      bucketOf_.Insert(BucketKey(key), found);
      KeyAdded(key);
    } else if (found->Emptied) {
      found->Emptied = false;
      --emptyBuckets_;
      ++reusedBuckets_;
    }
    TKeyedBucket& bucket = *found;
    const auto index = uint32_t(bucket.Tokens.size());
    if (home) {
      token->home_ = &bucket;
      token->homeKind_ = TIEToken::hkKeyedBucket;
      token->homeIndex_ = index;
    } else {
      places_.Insert(token->Identity(), TPlace{&bucket, index});
    }
    bucket.Tokens.push_back(token);
  } else {
    const auto index = uint32_t(base_ + arrived_.size());
    if (home) {
      token->home_ = this;
      token->homeKind_ = TIEToken::hkWalkedMemory;
      token->homeIndex_ = index;
    } else {
      positions_.Insert(Keyed() ? uint32_t(token->Identity()) : uint32_t(key), index);
    }
    arrived_.push_back(token);
    if (Keyed()) {
      keys_.push_back(key);
      ++stored_;
    }
  }
  ++count_;
}

bool TIETokenTree::IndexBeforeScan() const {
  keysRead_ += keys_.size() - head_;
  if (walking_ > 0 || keysRead_ <= 2 * stored_ + 4096) return false;
  const_cast<TIETokenTree*>(this)->BuildIndex();
  return true;
}

void TIETokenTree::BuildIndex() {
  if (!Keyed() || indexed_ || walking_ > 0) return;
  std::vector<TTokenRef> tokens = std::move(arrived_);
  std::vector<int32_t> keys = std::move(keys_);
  const size_t head = head_;
  arrived_.clear();
  keys_.clear();
  positions_.Clear();
  head_ = 0;
  base_ = 0;
  count_ = 0;
  indexed_ = true;
  for (size_t i = head; i < tokens.size(); ++i) {
    if (!tokens[i]) continue;
    const bool home = IsHome(*tokens[i]);
    if (home) tokens[i]->home_ = nullptr;
    Store(tokens[i], keys[i], home);
  }
}

TTokenRef TIETokenTree::RemoveHomed(TIEToken& token) {
  const uint32_t index = token.homeIndex_;
  const void* home = token.home_;
  token.home_ = nullptr;
  --count_;
  if (token.homeKind_ == TIEToken::hkKeyedBucket) {
    auto& bucket = *static_cast<TKeyedBucket*>(const_cast<void*>(home));
    TTokenRef removed = std::move(bucket.Tokens[index]);
    bucket.Tokens[index] = nullptr;
    EntryRemoved(bucket);
    return removed;
  }
  const size_t at = index - base_;
  TTokenRef removed = std::move(arrived_[at]);
  arrived_[at] = nullptr;
  EntryEmptied(at);
  return removed;
}

TTokenRef TIETokenTree::Remove(const TIEToken& token, int32_t key) {
  if (IsHome(token)) return RemoveHomed(const_cast<TIEToken&>(token));
  if (Indexed()) {
    TPlace* found = places_.Find(token.Identity(), [&](const TPlace& place) {
      return place.Bucket->Tokens[place.Index]->IsEqual(&token);
    });
    if (!found) return nullptr;
    const TPlace place = *found;
    places_.Erase(found);
    TKeyedBucket& bucket = *place.Bucket;
    TTokenRef removed = std::move(bucket.Tokens[place.Index]);
    bucket.Tokens[place.Index] = nullptr;
    --count_;
    EntryRemoved(bucket);
    return removed;
  }
  const uint32_t position = Keyed() ? uint32_t(token.Identity()) : uint32_t(key);
  uint32_t* found =
      positions_.Find(position, [&](uint32_t at) { return arrived_[at - base_]->IsEqual(&token); });
  if (!found) return nullptr;
  const size_t index = *found - base_;
  TTokenRef removed = std::move(arrived_[index]);
  arrived_[index] = nullptr;
  positions_.Erase(found);
  --count_;
  EntryEmptied(index);
  return removed;
}

void TIETokenTree::EntryRemoved(TKeyedBucket& bucket) {
  if (walking_ > 0) {
    ++bucket.Holes;
    return;
  }
  if (++bucket.Holes == bucket.Tokens.size()) {
    bucket.Tokens.shrink(0);
    bucket.Holes = 0;
    bucket.Emptied = true;
    if (++emptyBuckets_ > 1024 && emptyBuckets_ > 4 * reusedBuckets_) SweepEmptyBuckets();
  } else if (bucket.Holes > 8 && bucket.Holes * 2 > bucket.Tokens.size()) {
    CompactBucket(bucket);
  }
}

void TIETokenTree::KeyAdded(int32_t key) {
  // Sixteen bits or more per bucket keep the bits that are set at one in
  // sixteen or fewer: most lookups of absent keys stop at their bit.
  if (buckets_.size() * 16 > keyBits_.size() * 64) {
    RebuildKeyBits();
    return;
  }
  const uint32_t bit = KeyBit(key);
  keyBits_[bit >> 6] |= uint64_t(1) << (bit & 63);
}

void TIETokenTree::RebuildKeyBits() {
  constexpr size_t kFewBuckets = 512;
  keyBits_.clear();
  keyBitsShift_ = 32;
  if (buckets_.size() < kFewBuckets) return;
  uint32_t log2 = 12;
  while ((size_t(1) << log2) < buckets_.size() * 32) ++log2;
  keyBitsShift_ = 32 - log2;
  keyBits_.assign((size_t(1) << log2) / 64, 0);
  for (const TKeyedBucket* bucket : buckets_) {
    const uint32_t bit = KeyBit(bucket->Key);
    keyBits_[bit >> 6] |= uint64_t(1) << (bit & 63);
  }
}

void TIETokenTree::SweepEmptyBuckets() {
  size_t kept = 0;
  for (TKeyedBucket* bucket : buckets_) {
    if (!bucket->Emptied) {
      buckets_[kept++] = bucket;
      continue;
    }
    bucketOf_.Erase(bucketOf_.Find(BucketKey(bucket->Key),
                                   [bucket](const TKeyedBucket* other) { return other == bucket; }));
    delete bucket;
  }
  buckets_.resize(kept);
  emptyBuckets_ = 0;
  reusedBuckets_ = 0;
  RebuildKeyBits();
}

void TIETokenTree::DropBuckets() {
  for (TKeyedBucket* bucket : buckets_) {
    if (walking_ == 0) {
      delete bucket;
      continue;
    }
    // A walk may be reading this bucket: it finds it empty.
    bucket->Tokens.shrink(0);
    bucket->Owner = nullptr;
    retired_.push_back(bucket);
  }
  buckets_.clear();
  bucketOf_.Clear();
  RebuildKeyBits();
  emptyBuckets_ = 0;
  reusedBuckets_ = 0;
}

void TIETokenTree::FreeRetired() const {
  for (TKeyedBucket* bucket : retired_) delete bucket;
  retired_.clear();
}

void TIETokenTree::EntryEmptied(size_t index) {
  if (index == head_)
    while (head_ < arrived_.size() && !arrived_[head_]) ++head_;
  if (walking_ > 0) return;
  if (head_ > 32 && head_ * 2 > arrived_.size()) DropFront();
  const size_t holes = arrived_.size() - size_t(count_);
  if (holes > 32 && holes > size_t(count_)) Compact();
}

void TIETokenTree::DropFront() {
  // Past half the range of a place, places start again from 0.
  if (base_ + head_ > UINT32_MAX / 2) {
    Compact();
    return;
  }
  arrived_.erase(arrived_.begin(), arrived_.begin() + std::ptrdiff_t(head_));
  if (!keys_.empty()) keys_.erase(keys_.begin(), keys_.begin() + std::ptrdiff_t(head_));
  base_ += head_;
  head_ = 0;
}

void TIETokenTree::Compact() {
  head_ = 0;
  const size_t base = base_;
  base_ = 0;
  if (count_ == 0) {
    arrived_.clear();
    keys_.clear();
    positions_.Clear();
    return;
  }
  // In place: each token moves down over the holes and its position entry
  // (or, homed here, its own record of its place) follows, so nothing is
  // allocated.
  std::vector<uint32_t> moved(arrived_.size());
  uint32_t to = 0;
  for (uint32_t from = 0; from < arrived_.size(); ++from) {
    if (!arrived_[from]) continue;
    moved[from] = to;
    if (from != to) {
      arrived_[to] = std::move(arrived_[from]);
      if (!keys_.empty()) keys_[to] = keys_[from];
      if (IsHome(*arrived_[to])) arrived_[to]->homeIndex_ = to;
    }
    ++to;
  }
  arrived_.resize(to);
  if (!keys_.empty()) keys_.resize(to);
  positions_.ForEachValue([&](uint32_t& position) { position = moved[position - base]; });
}

void TIETokenTree::CompactBucket(TKeyedBucket& bucket) {
  TBucket& tokens = bucket.Tokens;
  uint32_t to = 0;
  for (uint32_t from = 0; from < tokens.size(); ++from) {
    if (!tokens[from]) continue;
    if (from != to) {
      // The token's place moves with it.
      if (IsHome(*tokens[from])) {
        tokens[from]->homeIndex_ = to;
      } else {
        TPlace* place = places_.Find(tokens[from]->Identity(), [&](const TPlace& candidate) {
          return candidate.Bucket == &bucket && candidate.Index == from;
        });
        if (place) place->Index = to;
      }
      tokens[to] = std::move(tokens[from]);
    }
    ++to;
  }
  tokens.shrink(to);
  bucket.Holes = 0;
}

void TIETokenTree::DropTokens() {
  // One pass: each token is let go of where it is sent home-less.
  auto drop = [this](TTokenRef& token) {
    if (token && IsHome(*token)) token->home_ = nullptr;
    token = nullptr;
  };
  for (TKeyedBucket* bucket : buckets_)
    for (size_t i = 0; i < bucket->Tokens.size(); ++i) drop(bucket->Tokens[i]);
  for (TTokenRef& token : arrived_) drop(token);
}

void TIETokenTree::Clear() {
  if (count_ == 0 && arrived_.empty() && buckets_.empty()) return;
  DropTokens();
  DropBuckets();
  places_.Clear();
  positions_.Clear();
  // Mid-walk the positions stay, emptied; otherwise the list goes.
  if (walking_ == 0) {
    arrived_.clear();
    keys_.clear();
    base_ = 0;
  }
  head_ = arrived_.size();
  count_ = 0;
  indexed_ = kind_ != tkSlot;
  keysRead_ = stored_ = 0;
}
