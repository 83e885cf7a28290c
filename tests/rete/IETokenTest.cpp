// Tokens (hash, equality by fact ids, texts) and the token memories.
#include <gtest/gtest.h>

#include <map>

#include "support/ExceptionText.h"
#include "support/FakeReteEngine.h"

namespace {

class TokenTest : public ::testing::Test {
 protected:
  IFact Fact(int32_t id) {
    IFactRef fact = MakeRef<TFact>(engine.GetFactTemplate("x"));
    fact->SetID(id);
    return IFact(fact.get());
  }
  TFakeReteEngine engine;
};

TEST_F(TokenTest, ExtendChainsFactsAndHashes) {
  TTokenRef one = TIEToken::Create(taAdd, Fact(1));
  TTokenRef two = TIEToken::Extend(one, Fact(4));
  TTokenRef three = TIEToken::Extend(two, engine.NotOrTestFact());
  EXPECT_EQ(three->Size(), 3);
  EXPECT_EQ(three->Hash(), (1 * 8 + 4) * 8 - 1);
  EXPECT_EQ(three->Tag(), taAdd);
  EXPECT_EQ(three->FactAt(0)->ID(), 1);
  EXPECT_EQ(three->FactAt(1)->ID(), 4);
  EXPECT_EQ(three->FactAt(3), nullptr);
  EXPECT_EQ(three->FactIdsText(), "f-1, f-4, f--1");
  EXPECT_EQ(two->Text(), "taAdd 2\r\n(x)\r\n(x)");
  // The hash wraps instead of overflowing.
  TTokenRef longToken = one;
  for (int i = 0; i < 20; ++i) longToken = TIEToken::Extend(longToken, Fact(7));
  EXPECT_EQ(longToken->Size(), 21);
}

TEST_F(TokenTest, TokensShareOneReferenceToTheirFact) {
  IFact fact = Fact(5);
  TTokenRef one = TIEToken::Create(taAdd, fact);
  TTokenRef two = TIEToken::Extend(one, fact);
  TTokenRef copy = TIEToken::Copy(*two);
  EXPECT_EQ(fact->RefCount(), 2);
  one = two = nullptr;
  EXPECT_EQ(fact->RefCount(), 2);
  copy = nullptr;
  EXPECT_EQ(fact->RefCount(), 1);
  // A fact that only tokens hold lives as long as the last of them.
  TCustomFact* held = fact.get();
  one = TIEToken::Create(taAdd, std::exchange(fact, nullptr));
  two = TIEToken::Extend(TIEToken::CreateClear(), held);
  one = nullptr;
  EXPECT_EQ(two->Fact()->ID(), 5);
  EXPECT_EQ(held->RefCount(), 1);
}

TEST_F(TokenTest, EqualByFactIdsNotByObjects) {
  TTokenRef a = TIEToken::Extend(TIEToken::Create(taAdd, Fact(1)), Fact(2));
  TTokenRef b = TIEToken::Extend(TIEToken::Create(taRemove, Fact(1)), Fact(2));
  TTokenRef c = TIEToken::Extend(TIEToken::Create(taAdd, Fact(3)), Fact(2));
  EXPECT_TRUE(a->IsEqual(b));
  EXPECT_FALSE(a->IsEqual(c));
  EXPECT_FALSE(a->IsEqual(TTokenRef()));
  TTokenRef copy = TIEToken::Copy(*a);
  a->SetNegatedCount(-3);
  EXPECT_EQ(a->NegatedCount(), 0);
  EXPECT_TRUE(copy->IsEqual(a));
  EXPECT_EQ(MessageOf<EIEException>([] { TIEToken::CreateClear()->SetTag(taAdd); }), "Invalid Token Action");
  EXPECT_NO_THROW(TIEToken::CreateClear()->SetTag(taClear));
}

TEST_F(TokenTest, MemoriesRejectDuplicatesAndFindByKey) {
  IFactTemplate t = MakeTemplate(&engine, "v", {"k"});
  auto fact = [&](int32_t id, const char* key) {
    IFactRef f = MakeFact(t, {{"k", Atom(key)}});
    f->SetID(id);
    return TIEToken::Create(taAdd, IFact(f.get()));
  };
  TIETokenTree bySlot(TIETokenTree::tkSlot, 101, "k");
  EXPECT_TRUE(bySlot.Add(fact(1, "a")));
  EXPECT_FALSE(bySlot.Add(fact(1, "a")));
  EXPECT_TRUE(bySlot.Add(fact(2, "a")));
  EXPECT_TRUE(bySlot.Add(fact(3, "b")));
  const int32_t keyA = bySlot.Key(*fact(9, "a"));
  ASSERT_NE(bySlot.Bucket(keyA), nullptr);
  EXPECT_EQ(bySlot.Bucket(keyA)->size(), 2u);
  EXPECT_TRUE(bySlot.Remove(*fact(1, "a")));
  EXPECT_FALSE(bySlot.Remove(*fact(1, "a")));
  EXPECT_EQ(bySlot.Count(), 2);

  // Keyed by fact id: walked in the order the tokens arrived, whatever the
  // ids and the bucket count; a removed token leaves the walk.
  TIETokenTree byId(TIETokenTree::tkFactId, 3);
  for (int32_t id : {4, 3, 5, 1}) byId.Add(fact(id, "z"));
  std::vector<int32_t> order;
  byId.ForEach([&](const TTokenRef& token) {
    order.push_back(token->Fact()->ID());
    return true;
  });
  EXPECT_EQ(order, (std::vector<int32_t>{4, 3, 5, 1}));
  EXPECT_TRUE(byId.Remove(*fact(3, "z")));
  EXPECT_FALSE(byId.Add(fact(5, "z")));
  order.clear();
  byId.ForEach([&](const TTokenRef& token) {
    order.push_back(token->Fact()->ID());
    return true;
  });
  EXPECT_EQ(order, (std::vector<int32_t>{4, 5, 1}));
  byId.Clear();
  EXPECT_TRUE(byId.IsEmpty());
}

}  // namespace

namespace {

// Tokens whose chained hashes collide ([f-0, f-8] and [f-1, f-0] both hash to
// 8) are different tokens: memories keep both and find each again, and long
// tokens that differ only in their oldest fact stay apart too.
TEST_F(TokenTest, MemoriesTellApartTokensWhoseHashesCollide) {
  TTokenRef a = TIEToken::Extend(TIEToken::Create(taAdd, Fact(0)), Fact(8));
  TTokenRef b = TIEToken::Extend(TIEToken::Create(taAdd, Fact(1)), Fact(0));
  ASSERT_EQ(a->Hash(), b->Hash());
  EXPECT_FALSE(a->IsEqual(b));
  EXPECT_NE(a->Identity(), b->Identity());
  for (auto kind : {TIETokenTree::tkTokenHash, TIETokenTree::tkFactId}) {
    TIETokenTree memory(kind, 101, {}, -1, 1);
    EXPECT_TRUE(memory.Add(a));
    EXPECT_TRUE(memory.Add(b));
    EXPECT_FALSE(memory.Add(TIEToken::Extend(TIEToken::Create(taAdd, Fact(1)), Fact(0))));
    EXPECT_EQ(memory.Remove(*TIEToken::Extend(TIEToken::Create(taRemove, Fact(0)), Fact(8))), a);
    EXPECT_EQ(memory.Count(), 1);
  }
  auto chain = [&](int32_t first) {
    TTokenRef token = TIEToken::Create(taAdd, Fact(first));
    for (int i = 0; i < 15; ++i) token = TIEToken::Extend(token, Fact(3));
    return token;
  };
  TIETokenTree memory(TIETokenTree::tkTokenHash, 101);
  EXPECT_TRUE(memory.Add(chain(1)));
  EXPECT_TRUE(memory.Add(chain(2)));
  EXPECT_EQ(memory.Count(), 2);
}

// A keyed memory removes tokens from the middle of a large bucket and keeps
// the others in the order they arrived, also after it squeezes out holes.
TEST_F(TokenTest, KeyedMemoryKeepsArrivalOrderThroughRemovals) {
  IFactTemplate t = MakeTemplate(&engine, "v", {"k"});
  auto token = [&](int32_t id) {
    IFactRef f = MakeFact(t, {{"k", Atom("same")}});
    f->SetID(id);
    return TIEToken::Create(taAdd, IFact(f.get()));
  };
  TIETokenTree memory(TIETokenTree::tkSlot, 101, "k");
  for (int32_t id = 1; id <= 40; ++id) ASSERT_TRUE(memory.Add(token(id)));
  for (int32_t id = 1; id <= 40; ++id) {
    if (id % 4 != 0) {
      ASSERT_TRUE(memory.Remove(*token(id))) << id;
    }
  }
  EXPECT_FALSE(memory.Remove(*token(1)));
  std::vector<int32_t> order;
  memory.ForEachOfKey(memory.Key(*token(0)), [&](const TTokenRef& held) {
    order.push_back(held->Fact()->ID());
    return true;
  });
  EXPECT_EQ(order, (std::vector<int32_t>{4, 8, 12, 16, 20, 24, 28, 32, 36, 40}));
  EXPECT_FALSE(memory.Add(token(8)));
  EXPECT_TRUE(memory.Add(token(1)));
  EXPECT_EQ(memory.Count(), 11);
}

// A memory keyed by slot values answers lookups from its arrival list until
// lookups have read many more keys than it stored, then from its key index:
// both give the same tokens in the same order, homed tokens and others, and
// removals and a later store after the switch find their places.
TEST_F(TokenTest, SlotKeyedMemoryBuildsItsIndexWhenLookupsOutweighStores) {
  IFactTemplate t = MakeTemplate(&engine, "v", {"k"});
  auto token = [&](int32_t id, bool homed) {
    IFactRef f = MakeFact(t, {{"k", Atom(id % 3 ? "many" : "few")}});
    f->SetID(id);
    IFact fact(f.get());
    return homed ? TIEToken::CreateWithdrawnAsItself(fact) : TIEToken::Create(taAdd, fact);
  };
  TIETokenTree memory(TIETokenTree::tkSlot, 101, "k");
  std::vector<TTokenRef> held;
  for (int32_t id = 1; id <= 60; ++id) {
    held.push_back(token(id, id % 2 == 0));
    ASSERT_TRUE(memory.Add(held.back()));
  }
  EXPECT_FALSE(memory.Add(token(5, false)));
  ASSERT_EQ(memory.Remove(*token(3, false)), held[2]);
  ASSERT_EQ(memory.Remove(*held[5]), held[5]);
  const int32_t few = memory.Key(*token(0, false));
  auto idsOfKey = [&] {
    std::vector<int32_t> ids;
    memory.ForEachOfKey(few, [&](const TTokenRef& found) {
      ids.push_back(found->Fact()->ID());
      return true;
    });
    return ids;
  };
  const std::vector<int32_t> expected{9, 12, 15, 18, 21, 24, 27, 30, 33, 36, 39, 42, 45, 48, 51, 54, 57, 60};
  EXPECT_EQ(idsOfKey(), expected);
  EXPECT_FALSE(memory.HasKeyIndex());
  int lookups = 1;
  while (!memory.HasKeyIndex() && lookups < 1000) {
    ASSERT_EQ(idsOfKey(), expected) << lookups;
    ++lookups;
  }
  // A margin of lookups first; then the index, long before the lookups
  // cost what a thousand indexed ones would.
  EXPECT_GT(lookups, 10);
  EXPECT_LT(lookups, 1000);
  EXPECT_EQ(idsOfKey(), expected);
  ASSERT_EQ(memory.Remove(*held[8]), held[8]);
  ASSERT_EQ(memory.Remove(*token(11, false)), held[10]);
  EXPECT_TRUE(memory.Add(token(3, false)));
  EXPECT_EQ(memory.Count(), 57);
  std::vector<int32_t> ids = idsOfKey();
  EXPECT_EQ(ids.size(), expected.size());
  EXPECT_EQ(ids.back(), 3);
  memory.Clear();
  EXPECT_FALSE(memory.HasKeyIndex());
  EXPECT_TRUE(memory.Add(held[0]));
  EXPECT_EQ(idsOfKey(), std::vector<int32_t>{});
}

// A memory with thousands of keys answers lookups of absent keys from a
// table of bits: through its growth, the sweep of emptied buckets and new
// keys after it, every stored key is still found, and no absent one.
TEST_F(TokenTest, ManyKeyedMemoryFindsEveryStoredKeyAndNoOther) {
  IFactTemplate t = MakeTemplate(&engine, "v", {"k"});
  int32_t nextId = 1;
  auto token = [&](int32_t k) {
    IFactRef f = MakeFact(t, {{"k", Int(k)}});
    f->SetID(nextId++);
    return TIEToken::CreateWithdrawnAsItself(IFact(f.get()));
  };
  TIETokenTree memory(TIETokenTree::tkSlot, 101, "k");
  std::map<int32_t, TTokenRef> stored;
  auto add = [&](int32_t k) {
    stored[k] = token(k);
    ASSERT_TRUE(memory.Add(stored[k]));
  };
  auto keyOf = [&](int32_t k) { return memory.Key(*TIEToken::Create(taAdd, IFact(MakeFact(t, {{"k", Int(k)}}).get()))); };
  auto check = [&](int32_t upTo) {
    for (int32_t k = 0; k < upTo; ++k) {
      std::vector<TIEToken*> found;
      memory.ForEachOfKey(keyOf(k), [&](const TTokenRef& held) {
        found.push_back(held.get());
        return true;
      });
      auto it = stored.find(k);
      if (it == stored.end()) {
        ASSERT_TRUE(found.empty()) << k;
      } else {
        ASSERT_EQ(found, std::vector<TIEToken*>{it->second.get()}) << k;
      }
    }
  };
  for (int32_t k = 0; k < 3000; ++k) add(k);
  ASSERT_NE(memory.Bucket(keyOf(0)), nullptr);  // builds the key index
  check(6000);
  for (int32_t k = 0; k < 3000; ++k) {
    if (k % 6 == 0) continue;
    ASSERT_EQ(memory.Remove(*stored[k]), stored[k]);
    stored.erase(k);
  }
  check(6000);
  for (int32_t k = 3000; k < 5000; ++k) add(k);
  for (int32_t k = 1; k < 600; k += 6) add(k);
  EXPECT_EQ(memory.Count(), int32_t(stored.size()));
  check(6000);
}

// An engine event may reset the engine while a join walks one of its
// memories: the walk then meets no more tokens, and reads no freed bucket.
TEST_F(TokenTest, AMemoryClearedDuringItsOwnWalkEndsTheWalkSafely) {
  IFactTemplate t = MakeTemplate(&engine, "v", {"k"});
  auto token = [&](int32_t id) {
    IFactRef f = MakeFact(t, {{"k", Atom(id % 2 ? "odd" : "even")}});
    f->SetID(id);
    return TIEToken::CreateWithdrawnAsItself(IFact(f.get()));
  };
  TIETokenTree memory(TIETokenTree::tkSlot, 101, "k");
  std::vector<TTokenRef> held;
  auto fill = [&] {
    for (int32_t id = 1; id <= 20; ++id) {
      held.push_back(token(id));
      ASSERT_TRUE(memory.Add(held.back()));
    }
  };
  fill();
  int met = 0;
  memory.ForEach([&](const TTokenRef&) {  // builds the key index first
    if (++met == 1) memory.Clear();
    return true;
  });
  EXPECT_EQ(met, 1);
  EXPECT_EQ(memory.Count(), 0);
  fill();
  memory.ForEach([](const TTokenRef&) { return true; });  // the index again
  met = 0;
  memory.ForEachOfKey(memory.Key(*held.back()), [&](const TTokenRef&) {
    if (++met == 1) memory.Clear();
    return true;
  });
  EXPECT_EQ(met, 1);
  // The memory works on afterwards.
  held.clear();
  fill();
  EXPECT_EQ(memory.Count(), 20);
  met = 0;
  memory.ForEach([&](const TTokenRef&) { return ++met, true; });
  EXPECT_EQ(met, 20);
}

// A match a join listed is stored by its place: it is found again as the
// same object after holes are squeezed out, other memories index it as
// usual, and a memory that goes away leaves it free to be homed elsewhere.
TEST_F(TokenTest, ListedMatchesAreStoredByTheirPlace) {
  IFactTemplate t = MakeTemplate(&engine, "v", {"k"});
  TTokenRef parent = TIEToken::Create(taAdd, Fact(1));
  const int join = 0;  // stands for the join that lists the matches
  auto listed = [&](int32_t id, const char* key) {
    IFactRef f = MakeFact(t, {{"k", Atom(key)}});
    f->SetID(id);
    TRef<TIEMatchToken> match = TIEToken::Extend(parent, IFact(f.get()));
    TIEToken::LinkMatch(*match, nullptr, &join);
    return TTokenRef(match);
  };
  std::vector<TTokenRef> matches;
  for (int32_t id = 2; id < 202; ++id) matches.push_back(listed(id, id % 2 ? "odd" : "even"));
  auto keyed = std::make_unique<TIETokenTree>(TIETokenTree::tkSlot, 101, "k", -1, 1);
  TIETokenTree walked(TIETokenTree::tkTokenHash, 101);
  TIETokenTree second(TIETokenTree::tkTokenHash, 101);
  for (const TTokenRef& match : matches) {
    ASSERT_TRUE(keyed->Add(match));
    ASSERT_TRUE(walked.Add(match));
    ASSERT_TRUE(second.Add(match));  // homed already: indexed here
  }
  // A copy is a plain token, listed nowhere; a fact's own token is plain.
  EXPECT_TRUE(matches[5]->IsListed());
  EXPECT_FALSE(TIEToken::Copy(*matches[5])->IsMatchToken());
  EXPECT_FALSE(TIEToken::Copy(*matches[5])->IsListed());
  EXPECT_FALSE(parent->IsMatchToken());
  EXPECT_FALSE(second.Add(TIEToken::Copy(*matches[5])));
  // Most go, out of order, so that both kinds squeeze their holes out.
  for (size_t i = 0; i < matches.size(); ++i)
    if (i % 5 != 0) {
      ASSERT_EQ(keyed->Remove(*matches[i]), matches[i]) << i;
      ASSERT_EQ(walked.Remove(*matches[i]), matches[i]) << i;
    }
  EXPECT_FALSE(keyed->Remove(*matches[1]));
  std::vector<int32_t> seen;
  walked.ForEachOfKey(matches[10]->IdentityKey(), [&](const TTokenRef& held) {
    seen.push_back(held->Fact()->ID());
    return true;
  });
  EXPECT_EQ(seen, std::vector<int32_t>{12});
  for (size_t i = 0; i < matches.size(); i += 5) {
    ASSERT_EQ(keyed->Remove(*matches[i]), matches[i]) << i;
    ASSERT_EQ(walked.Remove(*matches[i]), matches[i]) << i;
  }
  EXPECT_TRUE(keyed->IsEmpty());
  EXPECT_TRUE(walked.IsEmpty());
  // The keys come back; then the memory goes while it holds a token.
  ASSERT_TRUE(keyed->Add(matches[0]));
  EXPECT_EQ(keyed->Bucket(keyed->Key(*matches[0]))->size(), 1u);
  keyed.reset();
  TIETokenTree next(TIETokenTree::tkTokenHash, 101);
  ASSERT_TRUE(next.Add(matches[0]));
  EXPECT_EQ(next.Remove(*matches[0]), matches[0]);
  EXPECT_EQ(second.Remove(*TIEToken::Copy(*matches[7])), matches[7]);
  for (const TTokenRef& match : matches) static_cast<TIEMatchToken&>(*match).UnlinkMatch();
  EXPECT_FALSE(matches[5]->IsListed());
  EXPECT_EQ(parent->FirstLeftMatch(&join), nullptr);
}

}  // namespace
