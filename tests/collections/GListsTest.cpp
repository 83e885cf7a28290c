// The linked list (indexed reads, remove, insert, errors, assignment) and the
// pointer queue and stack.
#include "collections/GLists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "support/ExceptionText.h"

namespace {

std::vector<void*> Items(const TGCustomLinkedList& list) {
  std::vector<void*> out;
  for (const TSQNode* n = list.Head(); n; n = n->Next) out.push_back(n->Item);
  return out;
}

}  // namespace

TEST(GLinkedList, AddGetSequentialAndRandom) {
  std::vector<int> values(50);
  TGLinkedList list;
  for (int& v : values) list.Add(&v);
  EXPECT_EQ(list.Count(), 50);
  for (int32_t i = 0; i < 50; ++i) ASSERT_EQ(list.GetItem(i), &values[size_t(i)]);
  // Backwards and jumps restart from the head when needed.
  for (int32_t i : {49, 3, 3, 20, 0, 48}) ASSERT_EQ(list.GetItem(i), &values[size_t(i)]);
  EXPECT_EQ(list.Tail()->Item, &values.back());
  EXPECT_EQ(MessageOf<EListError>([&] { list.Get(50); }), SInvalidIndex);
  EXPECT_EQ(MessageOf<EListError>([&] { list.Get(-1); }), SInvalidIndex);
}

TEST(GLinkedList, RemoveInsertAndRememberedPosition) {
  int a = 0, b = 0, c = 0, d = 0;
  TGLinkedList list;
  list.Add(&a);
  TSQNode* nb = list.Add(&b);
  TSQNode* nc = list.Add(&c);
  EXPECT_EQ(list.GetItem(2), &c);  // remembers index 2
  list.Remove(nb);
  EXPECT_EQ(list.GetItem(1), &c);
  list.Insert(&d, nc);
  EXPECT_EQ(Items(list), (std::vector<void*>{&a, &d, &c}));
  EXPECT_EQ(list.GetItem(2), &c);
  list.Remove(nc);  // the tail
  EXPECT_EQ(list.Tail()->Item, &d);
  list.Add(&b);
  EXPECT_EQ(Items(list), (std::vector<void*>{&a, &d, &b}));
  list.Insert(&c, list.Head());
  EXPECT_EQ(list.Head()->Item, &c);
  list.Insert(&c, nullptr);
  EXPECT_EQ(list.Tail()->Item, &c);
  EXPECT_EQ(list.IndexOf(&b), 3);
  EXPECT_EQ(list.IndexOf(nullptr), -1);
}

TEST(GLinkedList, Errors) {
  TGLinkedList list;
  TSQNode stray;
  EXPECT_EQ(MessageOf<EListError>([&] { list.FindPrevious(&stray); }), SListIsEmpty);
  EXPECT_EQ(MessageOf<EListError>([&] { list.Remove(nullptr); }), SInvalidIndex);
  list.Add(nullptr);
  EXPECT_EQ(MessageOf<EListError>([&] { list.FindPrevious(&stray); }), SNodeNotFound);
  EXPECT_EQ(MessageOf<EListError>([&] { list.Remove(&stray); }), SNodeNotFound);
  EXPECT_EQ(list.FindPrevious(list.Head()), nullptr);
  EXPECT_EQ(list.Count(), 1);
}

TEST(GLinkedList, ClearAssignAndChanges) {
  int a = 0, b = 0;
  TGLinkedList source;
  source.Add(&a);
  source.Add(&b);
  TGLinkedList copy;
  int changes = 0;
  copy.OnChange = [&](TGCustomLinkedList&) { ++changes; };
  copy.Add(&b);
  copy.Assign(&source);
  EXPECT_EQ(Items(copy), (std::vector<void*>{&a, &b}));
  EXPECT_EQ(changes, 2);  // the add, then the bracket
  TQStack stack;
  stack.Push(&b);
  copy.Assign(&stack);
  EXPECT_EQ(Items(copy), (std::vector<void*>{&b}));
  copy.Clear();
  EXPECT_TRUE(copy.IsEmpty());
  EXPECT_EQ(copy.Head(), nullptr);
  EXPECT_EQ(copy.Tail(), nullptr);
}

TEST(QQueueStack, OrderAndEmpty) {
  int a = 0, b = 0, c = 0;
  TQQueue queue;
  TQStack stack;
  for (int* p : {&a, &b, &c}) {
    queue.Push(p);
    stack.Push(p);
  }
  EXPECT_EQ(queue.Peek(), &a);
  EXPECT_EQ(stack.Peek(), &c);
  EXPECT_EQ(queue.Pop(), &a);
  EXPECT_EQ(stack.Pop(), &c);
  EXPECT_EQ(queue.Pop(), &b);
  EXPECT_EQ(queue.Pop(), &c);
  EXPECT_EQ(MessageOf<EListError>([&] { queue.Pop(); }), SListIsEmpty);
  EXPECT_EQ(MessageOf<EListError>([&] { queue.Peek(); }), SListIsEmpty);
  stack.Clear();
  EXPECT_EQ(MessageOf<EListError>([&] { stack.Pop(); }), SListIsEmpty);
}

TEST(QQueueStack, Assign) {
  int a = 0, b = 0;
  TGLinkedList list;
  list.Add(&a);
  list.Add(&b);
  TQStack stack;
  stack.Assign(&list);
  EXPECT_EQ(stack.Pop(), &b);
  TQQueue queue;
  queue.Assign(&stack);
  EXPECT_EQ(queue.Items(), (std::vector<void*>{&a}));
  EXPECT_EQ(MessageOf<EConvertError>([&] { queue.Assign(nullptr); }),
            "Error assigning nil to TQQueue");
  TSQNode node;
  EXPECT_EQ(MessageOf<EConvertError>([&] { stack.Assign(&node); }),
            "Error assigning TSQNode to TQStack");
}
