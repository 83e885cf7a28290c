// TBlockPool<Size> and TPoolAllocator<T>: blocks of one size that a thread
// frees are kept on that thread's list and handed out again, instead of going
// back and forth to the heap. For the nodes of the network's hash indexes and
// for tokens, which are made and freed by the million.
// Each thread keeps at most MaxKept blocks of a size (the rest go back to the
// heap, so memory follows the peak of live objects); a block may be freed on
// another thread than the one that took it. A thread's kept blocks are freed
// when the thread ends.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

template <std::size_t Size>
class TBlockPool {
 public:
  static constexpr std::size_t MaxKept = 1 << 16;

  static void* Take() {
    if (gone_) return New();
    TList& list = List();
    if (list.free) {
      TBlock* block = list.free;
      list.free = block->next;
      --list.kept;
      // The next block is asked for soon, and freed blocks are often out of
      // the cache by then: start bringing it in now.
      if (list.free) __builtin_prefetch(list.free, 1);
      return block;
    }
    return New();
  }
  static void Give(void* block) noexcept {
    if (!block) return;
    if (gone_) {
      Delete(block);
      return;
    }
    TList& list = List();
    if (list.kept < MaxKept) {
      auto* freed = static_cast<TBlock*>(block);
      freed->next = list.free;
      list.free = freed;
      ++list.kept;
      return;
    }
    Delete(block);
  }

 private:
  struct TBlock {
    TBlock* next;
  };
  static constexpr std::size_t BlockSize = Size < sizeof(TBlock) ? sizeof(TBlock) : Size;
  // Blocks of whole cache lines start on a line, so that an object of two
  // lines is read with two misses, not three.
  static constexpr std::size_t LineSize = 64;
  static constexpr std::align_val_t Alignment{
      BlockSize % LineSize == 0 ? LineSize : __STDCPP_DEFAULT_NEW_ALIGNMENT__};
  static void* New() { return ::operator new(BlockSize, Alignment); }
  static void Delete(void* block) noexcept { ::operator delete(block, Alignment); }
  struct TList {
    TBlock* free = nullptr;
    std::size_t kept = 0;
    ~TList() {
      while (free) {
        TBlock* block = free;
        free = block->next;
        Delete(block);
      }
      kept = 0;
      gone_ = true;
    }
  };
  static TList& List() {
    thread_local TList list;
    return list;
  }
  // Set once this thread's list is gone: blocks freed later, while the
  // thread ends, go straight back to the heap.
  static inline thread_local bool gone_ = false;
};

// A standard allocator over TBlockPool for one object at a time (container
// nodes); arrays come from the heap as usual.
template <class T>
struct TPoolAllocator {
  using value_type = T;
  TPoolAllocator() noexcept = default;
  template <class U>
  TPoolAllocator(const TPoolAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n == 1) return static_cast<T*>(TBlockPool<sizeof(T)>::Take());
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* p, std::size_t n) noexcept {
    if (n == 1)
      TBlockPool<sizeof(T)>::Give(p);
    else
      std::allocator<T>().deallocate(p, n);
  }
  template <class U>
  bool operator==(const TPoolAllocator<U>&) const noexcept { return true; }
  template <class U>
  bool operator!=(const TPoolAllocator<U>&) const noexcept { return false; }
};

// A base that gives class T pooled operator new and delete. Objects of classes
// derived from T (of another size) come from the heap as usual.
template <class T>
struct TPooledObject {
  static void* operator new(std::size_t size) {
    if (size == sizeof(T)) return TBlockPool<sizeof(T)>::Take();
    return ::operator new(size);
  }
  static void operator delete(void* block, std::size_t size) noexcept {
    if (size == sizeof(T))
      TBlockPool<sizeof(T)>::Give(block);
    else
      ::operator delete(block);
  }
};
