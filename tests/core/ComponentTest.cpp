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
