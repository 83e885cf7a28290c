// TBlockPool<Size> and TPoolAllocator<T>: blocks of one size that a thread
// frees are kept on that thread's list and handed out again, instead of going
// back and forth to the heap. For the nodes of the network's hash indexes and
// for tokens, which are made and freed by the million.
// New blocks come first from one region per size, shared by all threads and
// kept until the process ends: its blocks lie side by side, and blocks of
// whole cache lines start on a line (an object of two lines is then read
// with two misses, not three). Once the region is used up, blocks come from
// the heap. Each thread keeps at most MaxKept heap blocks of a size (the rest
// go back to the heap, so memory follows the peak of live objects; the
// region holds MaxKept blocks); a block may be freed on another thread than
// the one that took it. A thread's kept heap blocks are freed when the
// thread ends; region blocks it kept are not handed out again.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

template <std::size_t Size>
class TBlockPool {
 public:
  static constexpr std::size_t MaxKept = 1 << 16;

  static void* Take() {
    if (!gone_) {
      TList& list = List();
      if (list.count > 0) {
        void* block = list.free[--list.count];
        if (!InRegion(block)) --list.kept;
        // Freed blocks are often out of the cache by the time they are handed
        // out again: start bringing in the one handed out a few takes from
        // now. The free list is an array, so finding it reads no block.
        if (list.count > PrefetchAhead) Prefetch(list.free[list.count - PrefetchAhead - 1]);
        return block;
      }
    }
    if (void* block = Region().Take()) return block;
    return ::operator new(BlockSize);
  }
  static void Give(void* block) noexcept {
    if (!block) return;
    const bool fromRegion = InRegion(block);
    if (gone_) {
      if (!fromRegion) ::operator delete(block);
      return;
    }
    TList& list = List();
    if ((fromRegion || list.kept < MaxKept) && list.Reserve()) {
      list.free[list.count++] = block;
      if (!fromRegion) ++list.kept;
      return;
    }
    // A region block that cannot be listed is lost to the pool: it stays
    // part of the region, which is never freed.
    if (!fromRegion) ::operator delete(block);
  }

 private:
  static constexpr std::size_t BlockSize = Size < sizeof(void*) ? sizeof(void*) : Size;
  static constexpr std::size_t LineSize = 64;
  static constexpr std::size_t PrefetchAhead = 3;
  // For writing: the block's new owner fills it at once.
  static void Prefetch(const void* block) noexcept {
    for (std::size_t line = 0; line < BlockSize; line += LineSize)
      __builtin_prefetch(static_cast<const char*>(block) + line, 1);
  }
  // MaxKept blocks side by side. Its pages are taken from the system as
  // blocks are first handed out; it is never freed, as blocks of it may be
  // in use on any thread until the process ends.
  class TRegion {
   public:
    static constexpr std::size_t Bytes = MaxKept * BlockSize;
    TRegion() : begin_(static_cast<char*>(::operator new(Bytes, std::align_val_t(LineSize)))) {
      regionBegin_.store(begin_, std::memory_order_release);
    }
    void* Take() noexcept {
      if (used_.load(std::memory_order_relaxed) >= Bytes) return nullptr;
      const std::size_t at = used_.fetch_add(BlockSize, std::memory_order_relaxed);
      return at + BlockSize <= Bytes ? begin_ + at : nullptr;
    }

   private:
    char* const begin_;
    std::atomic<std::size_t> used_{0};
  };
  static TRegion& Region() {
    static TRegion* const region = new TRegion;
    return *region;
  }
  // Whether Block lies in the region (none before the region is made).
  static inline std::atomic<const char*> regionBegin_{nullptr};
  static bool InRegion(const void* block) noexcept {
    const char* begin = regionBegin_.load(std::memory_order_relaxed);
    return begin && std::uintptr_t(block) - std::uintptr_t(begin) < TRegion::Bytes;
  }
  // A thread's free blocks, the next to hand out last.
  struct TList {
    void** free = nullptr;
    std::size_t count = 0;
    std::size_t capacity = 0;
    std::size_t kept = 0;
    // Room for one more entry; false when none can be had.
    bool Reserve() noexcept {
      if (count < capacity) return true;
      const std::size_t grown = capacity ? capacity * 2 : 1024;
      auto* larger = static_cast<void**>(std::realloc(static_cast<void*>(free), grown * sizeof(void*)));
      if (!larger) return false;
      free = larger;
      capacity = grown;
      return true;
    }
    ~TList() {
      for (std::size_t i = 0; i < count; ++i)
        if (!InRegion(free[i])) ::operator delete(free[i]);
      std::free(static_cast<void*>(free));
      free = nullptr;
      count = capacity = kept = 0;
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
