// Partial matches of the Rete network and the memories that hold them:
//  - TIEToken, a chain of facts (newest last) with the action it carries;
//  - TIEMatchToken, a token a join made (Extend), which the join may list;
//  - TIETokenTree, the hashed token memory of a join node.
//
// Ownership: tokens are reference counted (TTokenRef, and IReteToken through
// their base) and shared between memories, activations and contexts; a token
// holds its parent and its fact (the latter through the fact's plain count
// of token references, see TTokenFact). A positive join lists each match it made
// with the two tokens it joined (see LinkMatch): the lists hold one reference
// to each listed match, which the join gives back when it withdraws the
// match or empties its memories. A token shares the fact it was made with
// instead of cloning it: facts handed to the engine are not changed in place
// (modify retracts and asserts a new fact), so a copy would only cost time.
// A memory holds references to its tokens.
// Thread-safety: none; tokens, their counts and their facts' token counts
// included, are used only by the thread that holds the engine's lock.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "collections/BlockPool.h"
#include "collections/FlatIndex.h"
#include "collections/RefCount.h"
#include "facts/IEFacts.h"
#include "core/IEInterfaces.h"
#include "values/IEValue.h"

class TIEToken;
class TIEMatchToken;
class TIETokenTree;
using TTokenRef = TRef<TIEToken>;

// The enumeration names in ordinal order ("taClear", "ctLeft").
const std::vector<std::string>& TokenActionNames();
const std::vector<std::string>& CallTypeNames();

// Tokens are made and freed by the million: their blocks are pooled. A
// fact's own token (Create) is never listed as a match, and a working memory
// holds one per fact: it is a plain TIEToken, without the fields of a
// listing, which only the tokens Extend makes (TIEMatchToken) carry.
class TIEToken : public TCustomReteToken, public TPooledObject<TIEToken> {
 public:
  // The clear token: no fact, size 0, tag taClear.
  TIEToken() = default;
  // Unlists the matches still listed under it as their right token.
  ~TIEToken() override;
  // A one-fact token: size 1, hash = the fact's id.
  TIEToken(TTokenAction tag, IFact fact);

  static TTokenRef Create(TTokenAction tag, IFact fact) { return MakeRef<TIEToken>(tag, std::move(fact)); }
  // A one-fact token (taAdd) whose sender promises to withdraw the fact by
  // sending this very object again (tagged taRemove), never an equal copy:
  // memories may then store it by its place, as they do a listed match.
  static TTokenRef CreateWithdrawnAsItself(IFact fact) {
    TTokenRef token = Create(taAdd, std::move(fact));
    token->withdrawnAsItself_ = true;
    return token;
  }
  bool WithdrawnAsItself() const noexcept { return withdrawnAsItself_ || IsListed(); }
  // Made by Extend: a token a join may list.
  bool IsMatchToken() const noexcept { return isMatch_; }
  // Listed by a join as one of its matches.
  inline bool IsListed() const noexcept;
  // This token as the match token it is; only for one Extend made.
  inline TIEMatchToken& AsMatch() noexcept;
  static TTokenRef CreateClear() { return MakeRef<TIEToken>(); }
  // Parent followed by Fact: parent's tag, NegatedCount 0 (a TIEMatchToken).
  static TRef<TIEMatchToken> Extend(const TTokenRef& parent, TCustomFact* fact);
  static TRef<TIEMatchToken> Extend(const TTokenRef& parent, const IFact& fact) {
    return Extend(parent, fact.get());
  }
  // Every field of Token but NegatedCount, which starts at 0, and its
  // listing: the copy is a plain token, listed nowhere.
  static TTokenRef Copy(const TIEToken& token);

  // The same object; or equal hash and the same newest fact (the same object,
  // or equal ids and, for two different objects, equal contents), and this
  // token has no parent, or both parents are the same object, or (the other
  // has one and) the parents are equal.
  bool IsEqual(const TIEToken* other) const;
  bool IsEqual(const TTokenRef& other) const { return IsEqual(other.get()); }

  // At a negated join: the right facts that match this left token. A
  // negative value is stored as 0.
  int32_t NegatedCount() const noexcept { return negatedCount_; }
  void SetNegatedCount(int32_t count) noexcept { negatedCount_ = count < 0 ? 0 : count; }
  // The negated count belongs to one memory at a time: a negated or unique
  // join that finds it free claims it and stores the token itself (count
  // reset to 0), otherwise it stores a Copy. False when it was taken.
  bool ClaimCount() noexcept {
    if (countClaimed_) return false;
    countClaimed_ = true;
    negatedCount_ = 0;
    return true;
  }
  void ReleaseCount() noexcept { countClaimed_ = false; }

  int32_t Size() const noexcept { return size_; }
  // The newest fact (none for the clear token).
  const TTokenFact& Fact() const noexcept { return fact_; }
  const TTokenRef& Parent() const noexcept { return parent_; }
  // The parent's hash * 8 + the fact's id (wrapping); worked out on demand
  // by walking the chain, as nothing on the hot path needs it.
  int32_t Hash() const;
  // A well-mixed 64-bit hash of the chain of fact ids: equal tokens (IsEqual)
  // have equal identities, and unlike Hash it keeps every fact's id in view
  // however long the token, so indexes keyed by it see few collisions.
  uint64_t Identity() const noexcept { return identity_; }
  // The identity folded to a memory or index key.
  int32_t IdentityKey() const noexcept { return int32_t(uint32_t(identity_ ^ (identity_ >> 32))); }
  TTokenAction Tag() const noexcept { return tag_; }
  // A tag other than taClear on a token without fact raises EIEException
  // "Invalid Token Action".
  void SetTag(TTokenAction tag);

  // TCustomReteToken: the fact of pattern Index (0 = oldest), walking up
  // Size - Index - 1 parents; none outside 0 .. Size-1.
  int32_t FactCount() const final { return size_; }
  TCustomFact* FactAt(int32_t index) const final {
    if (index < 0 || index >= size_) return nullptr;
    const TIEToken* token = this;
    for (int32_t up = size_ - index - 1; up > 0 && token; --up) token = token->parent_.get();
    return token ? token->fact_.get() : nullptr;
  }

  // The tag's name, " ", the size, then per fact, newest first, CR LF and
  // the fact's text.
  std::string Text() const;
  // "f-1, f-4": the ids from position 0 on (the placeholder prints as f--1).
  std::string FactIdsText() const;

  // The matches of a join, listed so that the join withdraws them without
  // joining again. Match (made by Join from its parent, the left token, and
  // Right's fact; a TIEMatchToken) goes last in its parent's list and in
  // Right's (a negated join's match has no right token: Right is none); the
  // lists take one reference to it. Lists of one token may hold matches
  // of several joins (a token is stored by every join it reaches): each
  // match knows the join that listed it.
  static void LinkMatch(TIEMatchToken& match, TIEToken* right, const void* join);
  // The first match Join listed under this token as the left token (as the
  // right token); none when there is none.
  inline TIEMatchToken* FirstLeftMatch(const void* join) const;
  inline TIEMatchToken* FirstRightMatch(const void* join) const;
  // The first match listed under this token as the left token, of any join.
  TIEMatchToken* FirstLeftMatchUnchecked() const noexcept { return firstLeftMatch_; }

  // Asks the processor to start loading Token's two cache lines (nothing
  // for none). Walks of a memory or of a match list meet tokens scattered
  // over memory, and each step does much work: a token asked for a step or
  // two ahead is in the cache when the walk reaches it.
  static void Prefetch(const TIEToken* token) noexcept {
    if (!token) return;
    __builtin_prefetch(token);
    __builtin_prefetch(reinterpret_cast<const char*>(token) + 64);
  }

 private:
  friend class TIETokenTree;
  friend class TIEMatchToken;
  friend class TPatternMatchTerminalNode;

  // The fields a memory and a join read come first, so that they share the
  // token's first cache line; the lists of matches follow, and a match's
  // listing (TIEMatchToken) fills the rest of the second.
  TTokenAction tag_ = taClear;
  bool countClaimed_ = false;
  // Home: the one place that holds this token without an index entry: a
  // memory (see TIETokenTree::Add) or the activation made of it (see
  // TPatternMatchTerminalNode::Call). HomeKind tells which.
  enum THomeKind : uint8_t { hkWalkedMemory, hkKeyedBucket, hkActivation };
  THomeKind homeKind_ = hkWalkedMemory;
  bool withdrawnAsItself_ = false;  // see CreateWithdrawnAsItself
  TTokenFact fact_;
  TTokenRef parent_;
  int32_t size_ = 0;
  int32_t negatedCount_ = 0;
  uint64_t identity_ = 0;
  const void* home_ = nullptr;
  uint32_t homeIndex_ = 0;
  // Made by Extend: this object is a TIEMatchToken.
  bool isMatch_ = false;
  // The lists of matches made with this token as the left or right token.
  TIEMatchToken* firstLeftMatch_ = nullptr;
  TIEMatchToken* firstRightMatch_ = nullptr;

 protected:
  // For TIEMatchToken.
  struct TMatchTag {};
  explicit TIEToken(TMatchTag) : isMatch_(true) {}
};

// A token a join made: it may be listed as one of the join's matches (see
// LinkMatch). Pooled apart from plain tokens, as its blocks are larger.
class TIEMatchToken final : public TIEToken, public TPooledObject<TIEMatchToken> {
 public:
  TIEMatchToken() : TIEToken(TMatchTag{}) {}

  // Takes the match off both lists and gives the lists' reference back (which
  // may free it: the caller holds its own). True when it left a right
  // token's list.
  bool UnlinkMatch();
  // The next match after this one that Join listed under the same left
  // (right) token; none at the end.
  TIEMatchToken* NextLeftMatch(const void* join) const { return NextOfJoin(leftNext_, join, false); }
  TIEMatchToken* NextRightMatch(const void* join) const { return NextOfJoin(rightNext_, join, true); }
  // Before a walk of a match list reaches this match and withdraws it: the
  // entry after it and what the withdrawal reads next (the parent, whose
  // list it leaves, and the matches made from it downstream).
  void PrefetchWithdrawal(bool right) const noexcept {
    Prefetch(right ? rightNext_ : leftNext_);
    Prefetch(Parent().get());
    Prefetch(FirstLeftMatchUnchecked());
  }
  // Just before this match is withdrawn: the withdrawal runs on down the
  // first matches made from it, level by level. Its first (asked for by
  // PrefetchWithdrawal a step before) is in the cache by now: the one made
  // from that is asked for, so that it is on its way when reached.
  void PrefetchSecondLevel() const noexcept {
    if (const TIEMatchToken* first = FirstLeftMatchUnchecked()) Prefetch(first->FirstLeftMatchUnchecked());
  }

  // Its own pool: a plain token's pool hands out smaller blocks.
  using TPooledObject<TIEMatchToken>::operator new;
  using TPooledObject<TIEMatchToken>::operator delete;

 private:
  friend class TIEToken;
  static TIEMatchToken* NextOfJoin(TIEMatchToken* from, const void* join, bool right) {
    while (from && from->listedBy_ != join) from = right ? from->rightNext_ : from->leftNext_;
    return from;
  }

  // Listed as a match: the join, the neighbours in the parent's list and in
  // the right token's list (each list: the first entry's Prev is the last
  // entry, the last entry's Next is none), and the right token.
  const void* listedBy_ = nullptr;
  TIEMatchToken* leftPrev_ = nullptr;
  TIEMatchToken* leftNext_ = nullptr;
  TIEMatchToken* rightPrev_ = nullptr;
  TIEMatchToken* rightNext_ = nullptr;
  TIEToken* right_ = nullptr;
};

TIEMatchToken& TIEToken::AsMatch() noexcept { return static_cast<TIEMatchToken&>(*this); }
bool TIEToken::IsListed() const noexcept {
  return isMatch_ && static_cast<const TIEMatchToken*>(this)->listedBy_;
}
TIEMatchToken* TIEToken::FirstLeftMatch(const void* join) const {
  return TIEMatchToken::NextOfJoin(firstLeftMatch_, join, false);
}
TIEMatchToken* TIEToken::FirstRightMatch(const void* join) const {
  return TIEMatchToken::NextOfJoin(firstRightMatch_, join, true);
}

// ---------------------------------------------------------------------------
// TIETokenTree: a token memory. The key of a token is chosen by KeyKind:
//  - tkTokenHash: the token's identity (IdentityKey);
//  - tkFactId: the id of the fact at TokenIndex;
//  - tkSlot: the hash code of the fact's slot value (or of its multifield item
//    at SubIndex), the fact being the one at TokenIndex; a missing value is 0.
//    A memory may be keyed by several slots (KeyParts): their hash codes are
//    combined in order, so a join on several equal variables meets only the
//    tokens that can agree on all of them;
//  - tkParentHash: the identity of the token's parent (0 without one).
// Memories keyed by a slot value or a parent hash are joined through by key
// (Bucket: the tokens of one key in the order they arrived); with the key
// index a lookup meets only tokens whose keys are equal, so its cost does not
// grow with the memory. A memory keyed by slot values starts without that
// index: it keeps its tokens in arrival order with their keys beside them, and
// a lookup reads the keys in one sequential pass. Most such memories take many
// tokens and are looked up rarely (a negation's left memory, filled and
// emptied by every change upstream while the facts it waits for seldom come),
// and for them an index costs misses on every store and removal that no
// lookup repays. Once lookups have read more keys than twice the tokens
// stored, plus a margin, the memory builds its index and keeps it until it is
// cleared: lookups never cost more than a constant times the stores. Either
// way a lookup meets the tokens of its key in the order they arrived.
// Memories keyed by token hash or fact id are walked whole (ForEach), in the
// order the tokens arrived, so that the matches one new token completes come
// out oldest first. BucketCount is kept as the published shape of a memory;
// it no longer changes any order.
// Not thread-safe (lookups and walks too may build the key index).

class TIETokenTree {
 public:
  enum TKeyKind : uint8_t { tkTokenHash, tkFactId, tkSlot, tkParentHash };
  // The tokens of one key in arrival order, a removed one leaving an empty
  // entry. Most keys have one token: the first is kept inline, so such a key
  // costs no allocation of its own.
  class TBucket {
   public:
    size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    TTokenRef& operator[](size_t i) noexcept { return i == 0 ? first_ : rest_[i - 1]; }
    const TTokenRef& operator[](size_t i) const noexcept { return i == 0 ? first_ : rest_[i - 1]; }
    void push_back(TTokenRef token) {
      if (size_ == 0) first_ = std::move(token);
      else rest_.push_back(std::move(token));
      ++size_;
    }
    // Keeps the first Count entries (Count no more than the size).
    void shrink(size_t count) {
      if (count == 0) first_ = nullptr;
      rest_.resize(count > 0 ? count - 1 : 0);
      size_ = uint32_t(count);
    }

   private:
    TTokenRef first_;
    std::vector<TTokenRef> rest_;
    uint32_t size_ = 0;
  };

  // One slot of the fact at TokenIndex (or its item at SubIndex).
  struct TKeyPart {
    std::string Slot;
    int32_t SubIndex = -1;
    int32_t TokenIndex = 0;
  };

  TIETokenTree(TKeyKind kind, int32_t bucketCount, std::string slotName = {},
               int32_t subIndex = -1, int32_t tokenIndex = 0);
  // Keyed by slots (tkSlot) combined in order.
  TIETokenTree(int32_t bucketCount, const std::vector<TKeyPart>& parts);
  // Tokens homed here are sent home-less (they may outlive the memory).
  ~TIETokenTree();
  TIETokenTree(const TIETokenTree&) = delete;
  TIETokenTree& operator=(const TIETokenTree&) = delete;

  TKeyKind KeyKind() const noexcept { return kind_; }
  // The first key slot.
  const std::string& SlotName() const noexcept { return slotName_; }
  int32_t SubIndex() const noexcept { return subIndex_; }
  int32_t TokenIndex() const noexcept { return tokenIndex_; }
  int32_t KeyPartCount() const noexcept { return int32_t(readers_.size()); }
  int32_t BucketCount() const noexcept { return bucketCount_; }
  // Lookups never create buckets; kept for the published shape.
  bool AllowNilBucket() const noexcept { return true; }
  // Whether listed matches are homed here (see Add). A walked memory that a
  // join looks tokens up in by key homes none, so that every token has its
  // entry in the key index.
  bool HomesTokens() const noexcept { return homes_; }
  void SetHomesTokens(bool homes) noexcept { homes_ = homes; }
  // Whether Token is stored here by its place (see Add).
  bool IsHome(const TIEToken& token) const noexcept;
  // Keyed by slot values: whether the key index is built (see above).
  bool HasKeyIndex() const noexcept { return Indexed(); }
  // Keyed by slot value or parent hash, the memory finds a token to remove
  // by the token alone: Remove ignores the key.
  bool FindsWithoutKey() const noexcept { return Keyed(); }

  // The key of Token under this memory's key kind.
  int32_t Key(const TIEToken& token) const;
  // Stores Token; false (and nothing stored) when a token IsEqual to it is
  // stored already (or Token itself is stored here by its place). A token
  // that is withdrawn as itself (a join's listed
  // match, or a fact's token whose sender promised so) and that no memory
  // holds by place yet is homed here: stored by its place alone (kept in the
  // token), with no index entry and no search for an equal token. Such a
  // token reaches a memory once and leaves it as that same object, so it
  // needs neither; every other token is indexed by its identity.
  bool Add(const TTokenRef& token) { return token && Add(token, Key(*token)); }
  // The same with the token's Key known already.
  bool Add(const TTokenRef& token, int32_t key);
  // Deletes the first stored token that IsEqual Token and returns it; none
  // when there is none. A token homed here goes by its place.
  TTokenRef Remove(const TIEToken& token) { return Remove(token, Key(token)); }
  TTokenRef Remove(const TIEToken& token, int32_t key);
  // Starts loading what storing or finding a token by Key reads first (the
  // key's entry), so that the misses of both memories of a join overlap.
  void PrefetchKey(int32_t key) const noexcept {
    if (Indexed() && MayHaveKey(key)) bucketOf_.Prefetch(BucketKey(key));
  }
  // The same for removing Token when it is kept by its place (its home).
  static void PrefetchHome(const TIEToken& token) noexcept {
    if (token.home_) __builtin_prefetch(token.home_);
  }

  // Empties the memory (nothing when already empty).
  void Clear();
  bool IsEmpty() const noexcept { return count_ == 0; }
  int32_t Count() const noexcept { return count_; }

  // Keyed by slot value or parent hash: the tokens whose key is Key, in the
  // order they arrived, with an empty entry where one was removed; none when
  // there are none (or for the other kinds). Builds the key index.
  const TBucket* Bucket(int32_t key) const;
  // Calls Visit(token) for each token whose key is Key, in the order they
  // arrived; Visit returns false to stop.
  template <class F>
  void ForEachOfKey(int32_t key, F&& visit) const {
    if (Keyed() && !indexed_ && !IndexBeforeScan()) {
      TWalk walk(*this);
      // Sizes are read at each step: a token stored during the walk is met.
      for (size_t i = head_; i < keys_.size(); ++i)
        if (keys_[i] == key && arrived_[i] && !visit(arrived_[i])) return;
      return;
    }
    TWalk walk(*this);
    if (Keyed()) {
      if (!MayHaveKey(key)) return;
      const TKeyedBucket* bucket = FindBucket(key);
      if (!bucket) return;
      const TBucket& tokens = bucket->Tokens;
      for (size_t i = 0; i < tokens.size(); ++i) {
        if (i + 2 < tokens.size()) TIEToken::Prefetch(tokens[i + 2].get());
        if (tokens[i] && !visit(tokens[i])) return;
      }
      return;
    }
    // Walked kinds: through the position index, unless tokens are homed
    // here (they have no entry there): then by a walk of the memory.
    if (homes_) {
      for (size_t i = head_; i < arrived_.size(); ++i)
        if (arrived_[i] && Key(*arrived_[i]) == key && !visit(arrived_[i])) return;
      return;
    }
    std::vector<uint32_t> found;
    positions_.ForEachOf(uint32_t(key),
                         [&](uint32_t position) { found.push_back(position); });
    std::sort(found.begin(), found.end());
    for (uint32_t position : found)
      if (arrived_[position - base_] && !visit(arrived_[position - base_])) return;
  }
  // Calls Visit(token) for every token; Visit returns false to stop the walk.
  // Keyed by token hash or fact id: in the order the tokens arrived. Keyed by
  // slot value or parent hash: key by key, the keys in the order their first
  // token arrived (the key index is built for it).
  template <class F>
  void ForEach(F&& visit) const {
    if (Keyed() && !indexed_ && walking_ == 0) const_cast<TIETokenTree*>(this)->BuildIndex();
    if (Indexed()) {
      TWalk walk(*this);
      // The buckets first: a token stored during the walk may add one.
      const std::vector<TKeyedBucket*> buckets = buckets_;
      for (const TKeyedBucket* bucket : buckets)
        for (size_t i = 0; i < bucket->Tokens.size(); ++i)
          if (bucket->Tokens[i] && !visit(bucket->Tokens[i])) return;
      return;
    }
    WalkArrived(visit);
  }
  // The same in no promised order, and without building the key index.
  template <class F>
  void ForEachInAnyOrder(F&& visit) const {
    if (Indexed()) ForEach(visit);
    else WalkArrived(visit);
  }

 private:
  bool Keyed() const noexcept { return kind_ == tkSlot || kind_ == tkParentHash; }
  // Keyed, with the key index built: tokens live in buckets.
  bool Indexed() const noexcept { return Keyed() && indexed_; }
  // Stores Token at the end of the arrival list, or with the index in its
  // key's bucket; by its place alone when Home.
  void Store(const TTokenRef& token, int32_t key, bool home);
  // Whether Token (not homed here) is stored already: keyed, by identity.
  bool StoredAlready(const TIEToken& token, int32_t key);
  // Before a lookup of a memory without key index: counts the keys it will
  // read and builds the index (true) once lookups have read too many.
  bool IndexBeforeScan() const;
  // Moves every token into the buckets of a key index (never during a walk).
  void BuildIndex();
  // Every token in arrival order, a token stored meanwhile included.
  template <class F>
  void WalkArrived(F&& visit) const {
    TWalk walk(*this);
    for (size_t i = head_; i < arrived_.size(); ++i) {
      if (i + 2 < arrived_.size()) TIEToken::Prefetch(arrived_[i + 2].get());
      if (arrived_[i] && !visit(arrived_[i])) return;
    }
  }
  TTokenRef RemoveHomed(TIEToken& token);
  // Lets go of every token, sending those homed here home-less (they may
  // outlive the memory); the buckets stay, emptied.
  void DropTokens();
  // Holes in arrived_ are squeezed out only when no walk is running, and
  // buckets are freed only then (a walk holds pointers to them).
  struct TWalk {
    explicit TWalk(const TIETokenTree& tree) : tree_(tree) { ++tree_.walking_; }
    ~TWalk() {
      if (--tree_.walking_ == 0 && !tree_.retired_.empty()) tree_.FreeRetired();
    }
    const TIETokenTree& tree_;
  };
  void Compact();
  // Drops the holes before Head from the arrival list, without reading a
  // token: places count from Base.
  void DropFront();
  // After the entry at Index of arrived_ was emptied: moves the head past
  // the holes at the front, or squeezes the holes out once they outnumber
  // the tokens (never during a walk).
  void EntryEmptied(size_t index);

  TKeyKind kind_;
  int32_t bucketCount_;
  std::string slotName_;
  int32_t subIndex_;
  int32_t tokenIndex_;
  // tkSlot: a reader per key part, with the part's sub-index and fact.
  struct TPartReader {
    TSlotReader Reader;
    int32_t SubIndex;
    int32_t TokenIndex;
  };
  std::vector<TPartReader> readers_;
  // Keyed kinds: a bucket of tokens per key (each bucket stays put while the
  // memory holds it: homed tokens point at theirs), and where each token that
  // is not homed is (its bucket and its place there) by the token's
  // identity, so that a removal finds its token without walking the bucket.
  struct TKeyedBucket : TPooledObject<TKeyedBucket> {
    TBucket Tokens;
    int32_t Key = 0;
    uint32_t Holes = 0;  // removed tokens' empty entries
    bool Emptied = false;  // left empty, counted in emptyBuckets_
    const TIETokenTree* Owner = nullptr;
  };
  // The buckets in the order they were made (a walk of the memory meets them
  // in this order), each owned here, and found by key in one flat probe: a
  // node-based table would cost a miss for its slot and one or two for its
  // chain on every one of the million lookups.
  std::vector<TKeyedBucket*> buckets_;
  TFlatIndex<TKeyedBucket*, uint32_t> bucketOf_;
  static uint32_t BucketKey(int32_t key) noexcept { return uint32_t(key); }
  // One bit per hash of the keys that have a bucket, kept once there are
  // many buckets: a lookup of a key without one (most lookups in a negation's
  // memory) mostly ends at its bit, in a table small enough to stay in the
  // cache, instead of a likely miss in the bucket index.
  std::vector<uint64_t> keyBits_;
  uint32_t keyBitsShift_ = 32;
  uint32_t KeyBit(int32_t key) const noexcept { return (uint32_t(key) * 0x85EBCA6Bu) >> keyBitsShift_; }
  bool MayHaveKey(int32_t key) const noexcept {
    if (keyBits_.empty()) return true;
    const uint32_t bit = KeyBit(key);
    return (keyBits_[bit >> 6] >> (bit & 63)) & 1;
  }
  // After a bucket for Key was made: marks it, or sizes the bits anew.
  void KeyAdded(int32_t key);
  // Sets the bits from the buckets (none while they are few).
  void RebuildKeyBits();
  TKeyedBucket* FindBucket(int32_t key) const {
    TKeyedBucket* const* found = bucketOf_.Find(BucketKey(key), [](const TKeyedBucket*) { return true; });
    return found ? *found : nullptr;
  }
  // Frees every bucket; during a walk they are emptied and retired instead.
  void DropBuckets();
  // Buckets dropped during a walk, freed once the last walk ends.
  mutable std::vector<TKeyedBucket*> retired_;
  void FreeRetired() const;
  struct TPlace {
    TKeyedBucket* Bucket = nullptr;  // stays put while it holds tokens
    uint32_t Index = 0;
  };
  TFlatIndex<TPlace> places_;  // by the token's Identity
  // Squeezes the empty entries out of a bucket (keyed kinds).
  void CompactBucket(TKeyedBucket& bucket);
  // After a removal from Bucket: squeezes or empties it. An emptied bucket
  // stays in the table for its key's next token (keys come back when the
  // same partial matches are made again); they are swept out once they
  // outnumber the others.
  void EntryRemoved(TKeyedBucket& bucket);
  void SweepEmptyBuckets();
  size_t emptyBuckets_ = 0;
  // Emptied buckets taken again since the last sweep: while keys keep
  // coming back, emptied buckets are kept for them.
  size_t reusedBuckets_ = 0;
  // Walked kinds, and keyed ones without index: the tokens in arrival order
  // (none where one was removed) and their positions there, by key (walked
  // kinds) or by the low half of their identity (keyed ones), for the tokens
  // not homed here. Keyed ones keep each token's key beside it.
  std::vector<TTokenRef> arrived_;
  std::vector<int32_t> keys_;
  // Keyed kinds: whether the key index is built; without it, the keys read by
  // lookups and the tokens stored, which decide when to build it.
  bool indexed_ = false;
  mutable size_t keysRead_ = 0;
  size_t stored_ = 0;
  // Every entry of arrived_ before Head is a hole: a walk starts there. The
  // oldest tokens tend to go first (a modified fact's token leaves the front
  // and comes back at the end), so walks skip most holes this way.
  size_t head_ = 0;
  // The place (homeIndex_, positions_) of the first entry of arrived_: the
  // entries before it were dropped (see DropFront).
  size_t base_ = 0;
  TFlatIndex<uint32_t, uint32_t> positions_;  // by the key, as unsigned
  int32_t count_ = 0;
  mutable int32_t walking_ = 0;
  bool homes_ = true;
};
