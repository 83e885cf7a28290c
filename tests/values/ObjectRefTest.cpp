// Object values hold weak references: a destroyed component, or an object
// that belongs to one, reads as the nil object afterwards, while the value's
// hash code and its equality with the other values of the same object stay
// as they were (a fact holding it can still be found and retracted).
#include <gtest/gtest.h>

#include <memory>
#include <new>

#include "core/Component.h"
#include "core/Persistent.h"
#include "values/IEValue.h"

namespace {

class TWidget : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TWidget"; }
  TPersistent Member;
};

}  // namespace

TEST(ObjectRef, ADestroyedComponentReadsAsNil) {
  auto widget = std::make_unique<TWidget>();
  IIEValue value = TIEValue::MakeObject(widget.get());
  IIEValue same = TIEValue::MakeObject(widget.get());
  IIEValue member = TIEValue::MakeObject(MakeMemberRef(&widget->Member, *value->AsObjectRef()));
  const int32_t hash = value->HashCode();
  EXPECT_EQ(value->AsObject(), widget.get());
  EXPECT_EQ(member->AsObject(), &widget->Member);
  EXPECT_EQ(value->AsText(), "<External-Address: TWidget>");

  widget.reset();
  EXPECT_EQ(value->AsObject(), nullptr);
  EXPECT_EQ(value->AsText(), "") << "printed like the nil object";
  EXPECT_FALSE(value->AsObjectRef()->Alive());
  EXPECT_EQ(value->AsObjectRef()->ClassName(), "TWidget") << "still says what it was";
  EXPECT_EQ(member->AsObject(), nullptr) << "a member dies with its component";
  EXPECT_EQ(value->HashCode(), hash);
  EXPECT_TRUE(value->Equals(same));
  EXPECT_TRUE(value->Clone()->Equals(value));
  EXPECT_FALSE(value->Equals(NilValue()));

}

TEST(ObjectRef, ALiveObjectAtAFreedAddressIsAnotherObject) {
  alignas(TWidget) unsigned char storage[sizeof(TWidget)];
  auto* first = new (storage) TWidget();
  IIEValue old = TIEValue::MakeObject(first);
  first->~TWidget();
  auto* second = new (storage) TWidget();
  IIEValue fresh = TIEValue::MakeObject(second);
  EXPECT_EQ(old->AsObjectRef()->Identity(), fresh->AsObjectRef()->Identity());
  EXPECT_EQ(old->AsObject(), nullptr);
  EXPECT_EQ(fresh->AsObject(), second);
  EXPECT_FALSE(fresh->Equals(old));
  EXPECT_FALSE(old->Equals(fresh));
  second->~TWidget();
}

TEST(ObjectRef, AComponentTakenDuringItsDestructionIsNotAlive) {
  struct TWatcher : TComponent {
    IIEValue Seen;
    bool AliveWhenSeen = true;
    void Notification(TComponent* component, TOperation operation) override {
      TComponent::Notification(component, operation);
      if (operation != opRemove) return;
      Seen = TIEValue::MakeObject(component);
      AliveWhenSeen = Seen->AsObjectRef()->Alive();
    }
  };
  TWatcher watcher;
  auto widget = std::make_unique<TWidget>();
  watcher.FreeNotification(widget.get());
  widget.reset();
  ASSERT_TRUE(watcher.Seen);
  EXPECT_FALSE(watcher.AliveWhenSeen);
  EXPECT_EQ(watcher.Seen->AsObject(), nullptr);
}
