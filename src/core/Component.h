// TComponent: the owner tree, component names and free notification.
//
// Ownership: a component owns the components inserted into it (its owned
// components, in insertion order) and destroys them, last first, when it is
// destroyed; its Owner is not owned. A component without an owner belongs to
// whoever created it (hold it in a std::unique_ptr). A component created with an
// owner is inserted into that owner by the constructor. Free-notification links
// are not owning and are dropped when either side is destroyed.
// Weak references: LifeFlag gives a flag that reads as expired from the moment
// the component's destruction begins (see core/LifeFlag.h).
// Costs: inserting a component, taking one out and making or dropping a link
// are O(1) (amortised), however many components an owner has or however many
// links a component has (an engine owns and is linked to all of its rules).
// Thread-safety: none; a component tree is used by one thread at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/IEInterfaces.h"
#include "core/LifeFlag.h"
#include "core/Persistent.h"

enum TOperation : uint8_t { opInsert, opRemove };

// csLoading: a stream reader is setting the properties (until Loaded);
// csDestroying: destruction has begun; csSubComponent: owned, but recreated by
// its owner itself, so a component stream does not write it as a child.
enum TComponentStateItem : uint8_t { csLoading, csDestroying, csSubComponent };
using TComponentState = TSet<TComponentStateItem>;

class TComponent : public TPersistent {
 public:
  // A component owned by Owner (none: owned by the creator).
  explicit TComponent(TComponent* owner = nullptr);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  std::string ClassName() const override { return "TComponent"; }

  TComponent* Owner() const noexcept { return owner_; }
  int ComponentCount() const noexcept { return int(components_.size() - holes_); }
  // The owned component at Index; EListError "List index out of bounds (%d)" otherwise.
  TComponent* Components(int index) const;
  // The position of this component among its owner's components, or -1.
  int ComponentIndex() const;

  // Makes this component the owner of Component. A component with an owner is
  // first removed from it; one without passes from its creator to this owner.
  // EComponentError when the name is taken among the new siblings or when the
  // component would own itself; nothing changes then. Tells this owner opInsert.
  void InsertComponent(TComponent* component);
  // Takes an owned component out (this owner is told opRemove first) and hands
  // ownership to the caller; none when Component is not owned here.
  std::unique_ptr<TComponent> RemoveComponent(TComponent* component);
  // Destroys every owned component, last first, each after the opRemove
  // notification. A subclass whose Notification must see these removals calls
  // this from its own destructor (the base destructor calls it too).
  void DestroyComponents();
  // Starts destruction: sets csDestroying, tells every linked component, destroys
  // the owned components and leaves the owner. Runs once; the destructor calls it.
  void Destroying();

  // Empty, or letters, digits and underscores not starting with a digit
  // (EComponentError ""%s" is not a valid component name"). A non-empty name is
  // unique among its owner's components, compared without regard to ASCII case
  // (EComponentError "A component named %s already exists").
  const std::string& Name() const noexcept { return name_; }
  virtual void SetName(const std::string& name);
  static bool IsValidName(const std::string& name);
  // The owned component of that name (ASCII case ignored), or none.
  TComponent* FindComponent(const std::string& name) const;

  // Links this component and Component both ways: each is told, through
  // Notification(other, opRemove), when the other is destroyed.
  void FreeNotification(TComponent* component);
  // Drops the link in both directions.
  void RemoveFreeNotification(TComponent* component);
  // Told of insertions into and removals from this owner and of the destruction
  // of linked components. A component being destroyed is fit for pointer
  // comparison only. The base drops the free-notification link on opRemove.
  virtual void Notification(TComponent* component, TOperation operation);

  TComponentState ComponentState() const noexcept { return state_; }
  void SetComponentStateItem(TComponentStateItem item, bool on);
  bool Loading() const noexcept { return state_.Contains(csLoading); }
  bool IsDestroying() const noexcept { return state_.Contains(csDestroying); }
  // Marks a component its owner makes itself (a default package, say), so a
  // component stream leaves it out of the owner's children.
  void SetSubComponent(bool on) { SetComponentStateItem(csSubComponent, on); }

  // The flag that tells whether this component still lives, with one
  // reference for the caller (who releases it). Made on the first call; a
  // component whose destruction has begun gives an expired flag. Asking the
  // flag is safe on any thread; taking it is for the thread that uses the
  // component.
  TLifeFlag* LifeFlag() const;

  // Published properties: Name first (pkString, default "").
  void Properties(std::vector<TProperty>& props) override;
  // The owned components a component stream writes nested in this one: every
  // owned component that is not a csSubComponent.
  virtual void GetChildren(std::vector<TComponent*>& children) const;
  // Called by a stream reader after the whole tree was read; clears csLoading.
  void Loaded() override;

 private:
  // The free-notification links of a component in the order they were made,
  // with an index by component once there are more than a few, so that
  // finding and dropping a link does not scan them all.
  class TLinks {
   public:
    bool Contains(const TComponent* component) const;
    // Appends a link the list does not hold yet.
    void Add(TComponent* component);
    // Drops the link to Component, if any.
    void Remove(const TComponent* component);
    bool Empty() const noexcept { return live_ == 0; }
    // Takes the newest link out.
    TComponent* PopBack();

   private:
    void MakeIndex();
    void Compact();

    std::vector<TComponent*> items_;  // none: a dropped link (indexed lists only)
    std::unordered_map<const TComponent*, size_t> where_;
    size_t live_ = 0;
    size_t holes_ = 0;
    bool indexed_ = false;
  };

  void CheckNameFree(const std::string& name, const TComponent* except) const;
  void Unlink(TComponent* component);
  // Closes the holes RemoveComponent leaves in components_, so that the owned
  // components are numbered 0 .. ComponentCount-1 again.
  void Compact() const;

  TComponent* owner_ = nullptr;
  // The owned components in insertion order. A component taken out from the
  // middle leaves a hole (none) until the list is next read by position or
  // the holes outnumber the components; the last one never is a hole.
  mutable std::vector<std::unique_ptr<TComponent>> components_;
  mutable size_t holes_ = 0;
  // This component's position in its owner's components_.
  size_t slot_ = 0;
  TLinks freeNotifies_;
  mutable std::atomic<TLifeFlag*> life_{nullptr};
  std::string name_;
  TComponentState state_;
};
