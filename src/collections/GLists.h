// A singly linked list of untyped items (TGCustomLinkedList / TGLinkedList of
// TSQNode) with a remembered position so that consecutive indexed reads walk
// forward, and two small pointer containers, TQQueue (FIFO) and TQStack (LIFO).
// Ownership: the linked list owns its nodes, never the items; the queue and
// the stack never own their items. Errors are EListError. Not synchronised.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Persistent.h"

class TSQNode : public TPersistent {
 public:
  explicit TSQNode(void* item = nullptr) noexcept : Item(item) {}
  std::string ClassName() const override { return "TSQNode"; }
  void* Item = nullptr;
  TSQNode* Next = nullptr;  // owned by the list, not by the node
};

class TGCustomLinkedList : public TPersistent {
 public:
  using TChangeEvent = std::function<void(TGCustomLinkedList&)>;

  TGCustomLinkedList() = default;
  ~TGCustomLinkedList() override;
  TGCustomLinkedList(const TGCustomLinkedList&) = delete;
  TGCustomLinkedList& operator=(const TGCustomLinkedList&) = delete;
  std::string ClassName() const override { return "TGCustomLinkedList"; }

  int32_t Count() const noexcept { return count_; }
  bool IsEmpty() const noexcept { return count_ == 0; }
  TSQNode* Head() const noexcept { return head_; }
  TSQNode* Tail() const noexcept { return tail_; }

  // Appends a node holding Item; returns it.
  TSQNode* Add(void* item);
  // The node at Index ("Invalid Index" outside 0 .. Count-1). Reading the next
  // index after the last one read moves one link from the remembered node.
  TSQNode* Get(int32_t index) const;
  void* GetItem(int32_t index) const { return Get(index)->Item; }
  // The index of the first node holding Item, or -1.
  int32_t IndexOf(const void* item) const noexcept;
  // Unlinks and frees Node ("Invalid Index" for none, "Cannot find node
  // within list" when it is not in this list).
  void Remove(TSQNode* node);
  // The node before Node, or nullptr when Node is the head. Raises "List is
  // empty" on an empty list, "Cannot find node within list" when absent.
  TSQNode* FindPrevious(const TSQNode* node) const;
  // Links a new node holding Item before Before (appends when Before is none);
  // returns the new node.
  TSQNode* Insert(void* item, TSQNode* before);
  void Clear();

  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate();
  TChangeEvent OnChange;  // after each change, outside an update bracket

  // From another linked list or from a TQQueue / TQStack: the items in order.
  void Assign(const TPersistent* source) override;

 protected:
  void Changed();
  void ForgetPosition() const noexcept {
    posIndex_ = -1;
    posNode_ = nullptr;
  }

 private:
  TSQNode* head_ = nullptr;
  TSQNode* tail_ = nullptr;
  int32_t count_ = 0;
  int32_t updateCount_ = 0;
  mutable int32_t posIndex_ = -1;
  mutable TSQNode* posNode_ = nullptr;
};

class TGLinkedList : public TGCustomLinkedList {
 public:
  std::string ClassName() const override { return "TGLinkedList"; }
};

// First in, first out, over a vector of untyped references.
class TQQueue : public TPersistent {
 public:
  std::string ClassName() const override { return "TQQueue"; }
  int32_t Count() const noexcept { return int32_t(items_.size()); }
  bool IsEmpty() const noexcept { return items_.empty(); }
  const std::vector<void*>& Items() const noexcept { return items_; }
  void* Get(int32_t index) const;  // EListError "List index out of bounds (%d)"
  void Push(void* item) { items_.push_back(item); }
  // Both raise EListError "List is empty" when empty.
  virtual void* Pop();
  virtual void* Peek() const;
  void Clear() noexcept { items_.clear(); }
  // From a TQQueue / TQStack or a linked list: the items in order; anything
  // else raises EConvertError "Error assigning <source or nil> to <this>".
  void Assign(const TPersistent* source) override;

 protected:
  std::vector<void*> items_;
};

// Last in, first out.
class TQStack : public TQQueue {
 public:
  std::string ClassName() const override { return "TQStack"; }
  void* Pop() override;
  void* Peek() const override;
};
