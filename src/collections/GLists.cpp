// The linked list with its remembered position, and the pointer queue and stack.
#include "collections/GLists.h"

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "collections/UpdateBracket.h"

namespace {

void FreeNode(TSQNode* node) noexcept { std::unique_ptr<TSQNode> owned(node); }

}  // namespace

// ---------------------------------------------------------------------------
// TGCustomLinkedList

TGCustomLinkedList::~TGCustomLinkedList() {
  OnChange = nullptr;
  Clear();
}

void TGCustomLinkedList::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange(*this);
}

void TGCustomLinkedList::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) Changed();
}

TSQNode* TGCustomLinkedList::Add(void* item) {
  auto node = std::make_unique<TSQNode>(item);
  TSQNode* raw = node.release();
  if (tail_)
    tail_->Next = raw;
  else
    head_ = raw;
  tail_ = raw;
  ++count_;
  Changed();
  return raw;
}

TSQNode* TGCustomLinkedList::Get(int32_t index) const {
  if (index < 0 || index >= count_) throw EListError(SInvalidIndex);
  TSQNode* node;
  int32_t at;
  if (posNode_ && posIndex_ >= 0 && posIndex_ <= index) {
    node = posNode_;
    at = posIndex_;
  } else {
    node = head_;
    at = 0;
  }
  while (at < index) {
    node = node->Next;
    ++at;
  }
  posIndex_ = index;
  posNode_ = node;
  return node;
}

int32_t TGCustomLinkedList::IndexOf(const void* item) const noexcept {
  int32_t index = 0;
  for (const TSQNode* node = head_; node; node = node->Next, ++index)
    if (node->Item == item) return index;
  return -1;
}

TSQNode* TGCustomLinkedList::FindPrevious(const TSQNode* node) const {
  if (!head_) throw EListError(SListIsEmpty);
  if (node == head_) return nullptr;
  for (TSQNode* prev = head_; prev->Next; prev = prev->Next)
    if (prev->Next == node) return prev;
  throw EListError(SNodeNotFound);
}

void TGCustomLinkedList::Remove(TSQNode* node) {
  if (!node) throw EListError(SInvalidIndex);
  TSQNode* prev = FindPrevious(node);
  if (prev)
    prev->Next = node->Next;
  else
    head_ = node->Next;
  if (tail_ == node) tail_ = prev;
  --count_;
  ForgetPosition();
  FreeNode(node);
  Changed();
}

TSQNode* TGCustomLinkedList::Insert(void* item, TSQNode* before) {
  if (!before) return Add(item);
  TSQNode* prev = FindPrevious(before);
  auto node = std::make_unique<TSQNode>(item);
  TSQNode* raw = node.release();
  raw->Next = before;
  if (prev)
    prev->Next = raw;
  else
    head_ = raw;
  ++count_;
  ForgetPosition();
  Changed();
  return raw;
}

void TGCustomLinkedList::Clear() {
  if (!head_) return;
  TSQNode* node = head_;
  head_ = tail_ = nullptr;
  count_ = 0;
  ForgetPosition();
  while (node) {
    TSQNode* next = node->Next;
    FreeNode(node);
    node = next;
  }
  Changed();
}

void TGCustomLinkedList::Assign(const TPersistent* source) {
  if (source == this) return;
  if (auto* list = dynamic_cast<const TGCustomLinkedList*>(source)) {
    WithinUpdate(*this, [&] {
      Clear();
      for (const TSQNode* node = list->head_; node; node = node->Next) Add(node->Item);
    });
    return;
  }
  if (auto* queue = dynamic_cast<const TQQueue*>(source)) {
    WithinUpdate(*this, [&] {
      Clear();
      for (void* item : queue->Items()) Add(item);
    });
    return;
  }
  TPersistent::Assign(source);
}

// ---------------------------------------------------------------------------
// TQQueue, TQStack

void* TQQueue::Get(int32_t index) const {
  if (uint32_t(index) >= items_.size()) throw EListError(Format(SListIndexError, {index}));
  return items_[size_t(index)];
}

void* TQQueue::Pop() {
  if (items_.empty()) throw EListError(SListIsEmpty);
  void* item = items_.front();
  items_.erase(items_.begin());
  return item;
}

void* TQQueue::Peek() const {
  if (items_.empty()) throw EListError(SListIsEmpty);
  return items_.front();
}

void TQQueue::Assign(const TPersistent* source) {
  if (source == this) return;
  if (auto* queue = dynamic_cast<const TQQueue*>(source)) {
    items_ = queue->items_;
    return;
  }
  if (auto* list = dynamic_cast<const TGCustomLinkedList*>(source)) {
    items_.clear();
    items_.reserve(size_t(list->Count()));
    for (const TSQNode* node = list->Head(); node; node = node->Next) items_.push_back(node->Item);
    return;
  }
  throw EConvertError(
      Format(SAssignErrorStructures, {source ? source->ClassName() : std::string("nil"), ClassName()}));
}

void* TQStack::Pop() {
  if (items_.empty()) throw EListError(SListIsEmpty);
  void* item = items_.back();
  items_.pop_back();
  return item;
}

void* TQStack::Peek() const {
  if (items_.empty()) throw EListError(SListIsEmpty);
  return items_.back();
}
