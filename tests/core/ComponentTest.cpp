#include "core/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Exceptions.h"

namespace {

std::vector<std::string> gLog;

// Logs the notifications it receives and its own destruction.
class TRecorder : public TComponent {
 public:
  explicit TRecorder(TComponent* owner, const std::string& name = "") : TComponent(owner) {
    SetName(name);
  }
  ~TRecorder() override {
    Destroying();  // so that this class's Notification still runs for its children
    gLog.push_back("destroyed " + Name());
  }
  std::string ClassName() const override { return "TRecorder"; }
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    gLog.push_back(Name() + (op == opInsert ? " +" : " -") + c->Name());
  }
};

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override { gLog.clear(); }
};

TEST_F(ComponentTest, OwnerDestroysOwnedComponentsLastFirstAfterEachNotice) {
  {
    auto root = std::make_unique<TRecorder>(nullptr, "Root");
    new TRecorder(root.get(), "A");
    auto* b = new TRecorder(root.get(), "B");
    new TRecorder(b, "B1");
    ASSERT_EQ(root->ComponentCount(), 2);
    EXPECT_EQ(root->Components(1), b);
    EXPECT_EQ(b->Owner(), root.get());
    EXPECT_EQ(b->ComponentIndex(), 1);
    gLog.clear();
  }
  std::vector<std::string> expected = {"Root -B", "B -B1", "destroyed B1", "destroyed B",
                                       "Root -A", "destroyed A",  "destroyed Root"};
  EXPECT_EQ(gLog, expected);
}

TEST_F(ComponentTest, OwnerIsToldOfInsertionAndOfAChildDestroyedOnItsOwn) {
  TRecorder root(nullptr, "Root");
  auto* a = new TRecorder(&root, "A");
  // The owner hears of the insertion at construction, before the name is set.
  EXPECT_EQ(gLog, std::vector<std::string>{"Root +"});
  gLog.clear();
  root.RemoveComponent(a).reset();
  EXPECT_EQ(root.ComponentCount(), 0);
  EXPECT_EQ(gLog, (std::vector<std::string>{"Root -A", "destroyed A"}));
  EXPECT_THROW(root.Components(0), EListError);
}

TEST_F(ComponentTest, InsertMovesOwnershipAndRejectsCycles) {
  TRecorder first(nullptr, "First");
  TRecorder second(nullptr, "Second");
  auto* c = new TRecorder(&first, "C");
  second.InsertComponent(c);
  EXPECT_EQ(c->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.ComponentCount(), 1);
  EXPECT_THROW(c->InsertComponent(&second), EComponentError);
  EXPECT_THROW(c->InsertComponent(c), EComponentError);
  std::unique_ptr<TComponent> back = second.RemoveComponent(c);
  EXPECT_EQ(back.get(), c);
  EXPECT_EQ(c->Owner(), nullptr);
  EXPECT_EQ(second.RemoveComponent(c), nullptr);
}

TEST_F(ComponentTest, NamesAreIdentifiersUniqueAmongSiblings) {
  TComponent root;
  auto* a = new TComponent(&root);
  auto* b = new TComponent(&root);
  for (const char* bad : {"1abc", "a-b", "a b", "ä", "x.y"})
    EXPECT_THROW(a->SetName(bad), EComponentError) << bad;
  a->SetName("_Engine1");
  EXPECT_EQ(a->Name(), "_Engine1");
  try {
    b->SetName("_ENGINE1");
    FAIL() << "duplicate name accepted";
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named _ENGINE1 already exists");
  }
  EXPECT_EQ(b->Name(), "");
  a->SetName("_engine1");  // a new spelling of its own name
  EXPECT_EQ(root.FindComponent("_ENGINE1"), a);
  EXPECT_EQ(root.FindComponent(""), nullptr);
  // Unnamed siblings are fine; a named one cannot join a sibling of its name.
  new TComponent(&root);
  TComponent stranger;
  stranger.SetName("_Engine1");
  EXPECT_THROW(root.InsertComponent(&stranger), EComponentError);
  EXPECT_EQ(stranger.Owner(), nullptr);
  try {
    a->SetName("9lives");
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "\"9lives\" is not a valid component name");
  }
}

TEST_F(ComponentTest, FreeNotificationIsMutualAndDroppedWithEitherSide) {
  auto a = std::make_unique<TRecorder>(nullptr, "A");
  auto b = std::make_unique<TRecorder>(nullptr, "B");
  auto c = std::make_unique<TRecorder>(nullptr, "C");
  a->FreeNotification(b.get());
  a->FreeNotification(b.get());  // no second link
  c->FreeNotification(a.get());
  b.reset();
  EXPECT_EQ(gLog, (std::vector<std::string>{"A -B", "destroyed B"}));
  gLog.clear();
  a.reset();
  EXPECT_EQ(gLog, (std::vector<std::string>{"C -A", "destroyed A"}));
  gLog.clear();
  auto d = std::make_unique<TRecorder>(nullptr, "D");
  c->FreeNotification(d.get());
  c->RemoveFreeNotification(d.get());
  d.reset();
  EXPECT_EQ(gLog, std::vector<std::string>{"destroyed D"});
}

// An owner with many components: whichever leave (front, middle, back, in
// any order), the rest keep their order and positions, new ones go last,
// names stay unique and destruction still goes last first.
TEST_F(ComponentTest, ManyOwnedComponentsKeepOrderWhereverOnesLeave) {
  auto root = std::make_unique<TRecorder>(nullptr, "Root");
  std::vector<TComponent*> model;
  for (int i = 0; i < 60; ++i) model.push_back(new TRecorder(root.get(), "c" + std::to_string(i)));
  auto check = [&] {
    ASSERT_EQ(root->ComponentCount(), int(model.size()));
    for (size_t i = 0; i < model.size(); ++i) {
      EXPECT_EQ(root->Components(int(i)), model[i]) << i;
      EXPECT_EQ(model[i]->ComponentIndex(), int(i));
    }
  };
  for (size_t victim : {30u, 0u, 57u, 12u, 13u, 13u, 40u, 1u, 20u, 21u, 22u, 23u, 24u, 25u, 26u,
                        27u, 28u, 29u, 2u, 3u, 4u, 5u, 30u}) {
    ASSERT_LT(victim, model.size());
    TComponent* leaving = model[victim];
    model.erase(model.begin() + std::ptrdiff_t(victim));
    std::unique_ptr<TComponent> taken = root->RemoveComponent(leaving);
    EXPECT_EQ(taken.get(), leaving);
    EXPECT_EQ(root->RemoveComponent(leaving), nullptr) << "no longer owned";
    taken.reset();
    if (victim % 3 == 0) check();
  }
  check();
  model.push_back(new TRecorder(root.get(), "late"));
  EXPECT_EQ(root->FindComponent("LATE"), model.back());
  EXPECT_EQ(root->FindComponent("c30"), nullptr);
  EXPECT_THROW(model[4]->SetName(model[5]->Name()), EComponentError);
  model[4]->SetName("c30");  // free again
  check();

  std::vector<std::string> expected;
  for (auto it = model.rbegin(); it != model.rend(); ++it) expected.push_back("destroyed " + (*it)->Name());
  gLog.clear();
  root->DestroyComponents();
  std::vector<std::string> destroyed;
  for (const std::string& line : gLog)
    if (line.rfind("destroyed ", 0) == 0) destroyed.push_back(line);
  EXPECT_EQ(destroyed, expected);
}

// An owner that, told a component leaves, takes others out first (which
// closes the holes and renumbers the rest) still takes out the right one.
TEST_F(ComponentTest, RemovalNoticeThatTakesOthersOutFirst) {
  struct TPurger : TComponent {
    std::vector<TComponent*> alsoRemove;
    void Notification(TComponent* c, TOperation op) override {
      TComponent::Notification(c, op);
      if (op != opRemove) return;
      std::vector<TComponent*> others = std::move(alsoRemove);
      for (TComponent* other : others) RemoveComponent(other).reset();
    }
  } owner;
  std::vector<TComponent*> model;
  for (int i = 0; i < 40; ++i) model.push_back(new TComponent(&owner));
  TComponent* leaving = model[35];
  for (int i = 0; i < 30; ++i) owner.alsoRemove.push_back(model[size_t(i)]);
  std::unique_ptr<TComponent> taken = owner.RemoveComponent(leaving);
  EXPECT_EQ(taken.get(), leaving);
  model.erase(model.begin() + 35);
  model.erase(model.begin(), model.begin() + 30);
  ASSERT_EQ(owner.ComponentCount(), int(model.size()));
  for (size_t i = 0; i < model.size(); ++i) EXPECT_EQ(owner.Components(int(i)), model[i]);
}

// A component linked to many others: links made twice count once, dropped
// links stay dropped, and at its destruction the others are told newest
// link first.
TEST_F(ComponentTest, ManyFreeNotificationLinksKeepTheirOrder) {
  auto hub = std::make_unique<TRecorder>(nullptr, "Hub");
  std::vector<std::unique_ptr<TRecorder>> others;
  for (int i = 0; i < 50; ++i) {
    others.push_back(std::make_unique<TRecorder>(nullptr, "o" + std::to_string(i)));
    (i % 2 ? hub->FreeNotification(others.back().get()) : others.back()->FreeNotification(hub.get()));
  }
  hub->FreeNotification(others[10].get());
  for (int i : {0, 49, 7, 8, 9, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 1})
    hub->RemoveFreeNotification(others[size_t(i)].get());
  others[20].reset();  // its link goes with it
  hub->FreeNotification(others[7].get());  // linked again: now the newest
  gLog.clear();
  hub.reset();
  std::vector<std::string> expected = {"o7 -Hub"};
  for (int i = 48; i >= 2; --i) {
    if ((i >= 7 && i <= 9) || (i >= 30 && i <= 45) || i == 20) continue;
    expected.push_back("o" + std::to_string(i) + " -Hub");
  }
  expected.push_back("destroyed Hub");
  EXPECT_EQ(gLog, expected);
}

TEST_F(ComponentTest, SubComponentsAreNotChildrenForStreaming) {
  TComponent root;
  auto* made = new TComponent(&root);
  made->SetSubComponent(true);
  auto* placed = new TComponent(&root);
  std::vector<TComponent*> children;
  root.GetChildren(children);
  EXPECT_EQ(children, std::vector<TComponent*>{placed});
}

TEST(ClassRegistryTest, CreatesRegisteredClassesByName) {
  RegisterComponentClass<TRecorder>("TRecorder");
  TComponent owner;
  TComponent* c = CreateComponentByClassName("TRecorder", &owner);
  EXPECT_EQ(c->ClassName(), "TRecorder");
  EXPECT_EQ(c->Owner(), &owner);
  std::unique_ptr<TComponent> free = CreateComponentByClassName("TComponent");
  EXPECT_EQ(free->Owner(), nullptr);
  EXPECT_TRUE(IsComponentClassRegistered("TRecorder"));
  try {
    CreateComponentByClassName("TNoSuchThing", &owner);
    FAIL() << "unknown class created";
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "Class TNoSuchThing not found");
  }
  EXPECT_EQ(owner.ComponentCount(), 1);
  UnregisterComponentClass("TRecorder");
  EXPECT_FALSE(FindComponentClass("TRecorder"));
}

}  // namespace
