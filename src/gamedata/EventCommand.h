#pragma once

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "gamedata/MoveRoute.h"

class Database;

// One entry of a command's pre-resolved operand list: a reference to an int
// cell, or (for the database command) the database it selected. Filled only
// by the common-event link pass.
struct ResolvedCell {
  int32_t* cell = nullptr;
  Database* database = nullptr;

  bool operator==(const ResolvedCell&) const = default;
};

// Code of the last command of every command list: the runner stops there.
inline constexpr int32_t kEndCommandCode = -1;

// A vector of plain values whose first N sit inside the owner; longer lists
// live in one heap block. The values are contiguous either way.
template <typename T, size_t N>
class InlineList {
 public:
  static constexpr size_t kInline = N;

  using value_type = T;
  using size_type = size_t;
  using difference_type = std::ptrdiff_t;
  using reference = T&;
  using const_reference = const T&;
  using pointer = T*;
  using const_pointer = const T*;
  using iterator = T*;
  using const_iterator = const T*;

  InlineList() = default;
  InlineList(std::initializer_list<T> values) { assign(values.begin(), values.end()); }
  InlineList(const std::vector<T>& values) { assign(values.begin(), values.end()); }
  InlineList(const InlineList& other) { assign(other.begin(), other.end()); }
  InlineList(InlineList&& other) noexcept { TakeFrom(other); }
  InlineList& operator=(const InlineList& other) {
    if (this != &other) assign(other.begin(), other.end());
    return *this;
  }
  InlineList& operator=(InlineList&& other) noexcept {
    if (this != &other) {
      Release();
      TakeFrom(other);
    }
    return *this;
  }
  InlineList& operator=(std::initializer_list<T> values) {
    assign(values.begin(), values.end());
    return *this;
  }
  InlineList& operator=(const std::vector<T>& values) {
    assign(values.begin(), values.end());
    return *this;
  }
  ~InlineList() { Release(); }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* data() { return OnHeap() ? Heap() : inline_; }
  const T* data() const { return OnHeap() ? Heap() : inline_; }
  T& operator[](size_t k) { return data()[k]; }
  const T& operator[](size_t k) const { return data()[k]; }
  T& front() { return data()[0]; }
  const T& front() const { return data()[0]; }
  T& back() { return data()[size_ - 1]; }
  const T& back() const { return data()[size_ - 1]; }
  iterator begin() { return data(); }
  iterator end() { return data() + size_; }
  const_iterator begin() const { return data(); }
  const_iterator end() const { return data() + size_; }
  const_iterator cbegin() const { return begin(); }
  const_iterator cend() const { return end(); }

  void clear() { Resize(0); }
  void resize(size_t n, T value = T{}) {
    const size_t old = size_;
    Resize(n);
    std::fill(data() + std::min(old, n), data() + n, value);
  }
  void assign(size_t n, T value) {
    Resize(n);
    std::fill(begin(), end(), value);
  }
  template <typename It>
  void assign(It first, It last) {
    const std::vector<T> values(first, last);  // the source may be this list
    Resize(values.size());
    std::copy(values.begin(), values.end(), begin());
  }
  void assign(std::initializer_list<T> values) { assign(values.begin(), values.end()); }
  void push_back(T value) {
    Resize(size_ + 1);
    back() = value;
  }
  void pop_back() { Resize(size_ - 1); }
  template <typename... Args>
  T& emplace_back(Args&&... args) {
    push_back(T{std::forward<Args>(args)...});
    return back();
  }
  template <typename It>
  iterator insert(const_iterator at, It first, It last) {
    const size_t index = static_cast<size_t>(at - begin());
    const std::vector<T> values(first, last);
    const size_t old = size_;
    Resize(old + values.size());
    T* d = data();
    std::move_backward(d + index, d + old, d + old + values.size());
    std::copy(values.begin(), values.end(), d + index);
    return d + index;
  }
  iterator insert(const_iterator at, T value) { return insert(at, &value, &value + 1); }
  iterator insert(const_iterator at, std::initializer_list<T> values) {
    return insert(at, values.begin(), values.end());
  }
  iterator erase(const_iterator first, const_iterator last) {
    const size_t from = static_cast<size_t>(first - begin());
    const size_t to = static_cast<size_t>(last - begin());
    T* d = data();
    std::move(d + to, d + size_, d + from);
    Resize(size_ - (to - from));
    return data() + from;
  }
  iterator erase(const_iterator at) { return erase(at, at + 1); }

  operator std::vector<T>() const { return std::vector<T>(begin(), end()); }

  friend bool operator==(const InlineList& a, const InlineList& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }
  friend bool operator==(const InlineList& a, const std::vector<T>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  // Room of a heap block for n values: the next power of two.
  static size_t HeapRoom(size_t n) { return std::bit_ceil(n); }
  bool OnHeap() const { return size_ > kInline; }
  void Resize(size_t n) {
    const size_t old = size_;
    if (n == old) return;
    const bool wasHeap = old > kInline;
    const bool toHeap = n > kInline;
    if (wasHeap && toHeap && HeapRoom(n) == HeapRoom(old)) {
      if (n > old) std::fill(Heap() + old, Heap() + n, T{});
      size_ = static_cast<uint32_t>(n);
      return;
    }
    // Move the kept values to their new place: inline or a block of the new room.
    const size_t kept = std::min(old, n);
    T* block = toHeap ? std::allocator<T>().allocate(HeapRoom(n)) : nullptr;
    const T* from = data();
    if (toHeap) {
      std::copy(from, from + kept, block);
      std::fill(block + kept, block + n, T{});
    }
    if (wasHeap) {
      T* oldBlock = Heap();
      if (!toHeap) std::copy(oldBlock, oldBlock + kept, inline_);
      std::allocator<T>().deallocate(oldBlock, HeapRoom(old));
    }
    if (toHeap) SetHeap(block);
    if (!toHeap) std::fill(inline_ + kept, inline_ + kInline, T{});
    size_ = static_cast<uint32_t>(n);
  }
  void Release() {
    if (OnHeap()) std::allocator<T>().deallocate(Heap(), HeapRoom(size_));
    size_ = 0;
  }
  void TakeFrom(InlineList& other) {
    size_ = other.size_;
    if (other.OnHeap()) {
      SetHeap(other.Heap());
    } else {
      std::memcpy(inline_, other.inline_, sizeof inline_);
    }
    other.size_ = 0;
  }

  T* Heap() const {
    T* block = nullptr;
    std::memcpy(&block, heapBytes_, sizeof heapBytes_);
    return block;
  }
  void SetHeap(T* block) { std::memcpy(heapBytes_, &block, sizeof heapBytes_); }

  static_assert(std::is_trivially_copyable_v<T>);
  static_assert(kInline * sizeof(T) >= sizeof(T*));
  // The count first, so it shares the first line with the first values; the
  // heap address is kept as bytes, so the list is only as aligned as its
  // values (a command's indent fits right after its ints).
  uint32_t size_ = 0;
  union {
    T inline_[kInline] = {};
    unsigned char heapBytes_[sizeof(T*)];
  };
};

// The int parameters of a command, code first. Most commands have at most
// eight, so reading a command's code and parameters touches only the command.
using CommandInts = InlineList<int32_t, 8>;

// What few commands have: texts, a move route, and what the link pass
// resolved. Held out of line, and only when present.
struct CommandTexts {
  std::vector<std::string> strings;
  std::vector<MoveSettings> routes;

  bool operator==(const CommandTexts&) const = default;
};

// The pre-resolved cells (target, left, right) of a list's inline operations,
// one entry per line (a null target for the other lines), laid out in one
// array so a run of such operations reads the commands and this array only.
// Made by the link pass and held by the list's last command.
struct LinkedOperands {
  int32_t* target = nullptr;
  const int32_t* left = nullptr;
  const int32_t* right = nullptr;
};
struct CommandListPool {
  std::vector<LinkedOperands> lines;
  // The link generation it was made at: a later change of any command's
  // cells makes it unusable (the commands' own cells are read then).
  uint64_t generation = 0;
};

// Counts changes of commands' linked cells: every write through
// ResolvedCells and every assignment over a command that has cells.
inline std::atomic<uint64_t> gCommandLinkGeneration{0};
inline uint64_t CommandLinkGeneration() { return gCommandLinkGeneration.load(std::memory_order_relaxed); }
inline void NoteCommandLinksChanged() { gCommandLinkGeneration.fetch_add(1, std::memory_order_relaxed); }

// The link lists sit inside the block (the linked forms read them on every
// run), up to the sizes the link pass makes for operations, branches of two
// conditions and database transfers; texts and routes in a block of their
// own. The block starts a cache line and the cells' count and first three
// cells fill it, so an inline operation reads one line of it.
struct EventCommandExtra {
  InlineList<ResolvedCell, 4> resolvedCells;
  InlineList<int32_t, 10> resolvedInts;
  std::unique_ptr<CommandTexts> texts;
  // The list's pool, on its last command only; shared by copies of the list
  // (their cells are the same). Derived data: not compared.
  std::shared_ptr<const CommandListPool> listPool;

  EventCommandExtra() = default;
  EventCommandExtra(const EventCommandExtra& other)
      : resolvedCells(other.resolvedCells),
        resolvedInts(other.resolvedInts),
        texts(other.texts ? std::make_unique<CommandTexts>(*other.texts) : nullptr),
        listPool(other.listPool) {}
  EventCommandExtra(EventCommandExtra&&) noexcept = default;
  EventCommandExtra& operator=(const EventCommandExtra& other) {
    if (this != &other) *this = EventCommandExtra(other);
    return *this;
  }
  EventCommandExtra& operator=(EventCommandExtra&&) noexcept = default;

  bool Empty() const {
    return resolvedCells.empty() && resolvedInts.empty() && !listPool &&
           (!texts || (texts->strings.empty() && texts->routes.empty()));
  }
  bool operator==(const EventCommandExtra& other) const {
    static const CommandTexts none{};
    return resolvedCells == other.resolvedCells && resolvedInts == other.resolvedInts &&
           (texts ? *texts : none) == (other.texts ? *other.texts : none);
  }
};

struct EventCommand;

enum class CommandExtraSlot { Strings, Routes, ResolvedInts, ResolvedCells };

// The list of a slot: found (null when its texts block is absent) or made.
template <CommandExtraSlot Slot>
auto& MakeExtraField(EventCommandExtra& extra) {
  if constexpr (Slot == CommandExtraSlot::ResolvedInts) {
    return extra.resolvedInts;
  } else if constexpr (Slot == CommandExtraSlot::ResolvedCells) {
    return extra.resolvedCells;
  } else {
    if (!extra.texts) extra.texts = std::make_unique<CommandTexts>();
    if constexpr (Slot == CommandExtraSlot::Strings) return extra.texts->strings;
    else return extra.texts->routes;
  }
}
template <CommandExtraSlot Slot>
auto* FindExtraField(const EventCommandExtra& extra) {
  using Field = std::remove_cvref_t<decltype(MakeExtraField<Slot>(std::declval<EventCommandExtra&>()))>;
  if constexpr (Slot == CommandExtraSlot::ResolvedInts) {
    return static_cast<const Field*>(&extra.resolvedInts);
  } else if constexpr (Slot == CommandExtraSlot::ResolvedCells) {
    return static_cast<const Field*>(&extra.resolvedCells);
  } else if constexpr (Slot == CommandExtraSlot::Strings) {
    return extra.texts ? static_cast<const Field*>(&extra.texts->strings) : nullptr;
  } else {
    return extra.texts ? static_cast<const Field*>(&extra.texts->routes) : nullptr;
  }
}

// A vector-like view of one of the command's out-of-line lists. It holds no
// data: it finds its command from its own place inside it, reads an absent
// block as an empty list and creates the block on the first write.
template <CommandExtraSlot Slot, typename T>
class CommandExtraList {
 public:
  using value_type = T;
  using size_type = size_t;
  using reference = T&;
  using const_reference = const T&;
  using Storage = std::remove_cvref_t<decltype(MakeExtraField<Slot>(std::declval<EventCommandExtra&>()))>;
  using iterator = typename Storage::iterator;
  using const_iterator = typename Storage::const_iterator;

  CommandExtraList() = default;
  // The owning command copies the lists; the view itself has nothing to copy.
  CommandExtraList(const CommandExtraList&) noexcept {}
  CommandExtraList& operator=(const CommandExtraList& other) {
    if (this != &other) Write() = other.Read();
    return *this;
  }
  CommandExtraList& operator=(const std::vector<T>& values) {
    if (values.empty() && !HasBlock()) return *this;
    Write() = values;
    return *this;
  }
  CommandExtraList& operator=(std::vector<T>&& values) {
    if (values.empty() && !HasBlock()) return *this;
    Write() = std::move(values);
    return *this;
  }
  CommandExtraList& operator=(std::initializer_list<T> values) {
    if (values.size() == 0 && !HasBlock()) return *this;
    Write() = values;
    return *this;
  }

  size_t size() const { return Read().size(); }
  bool empty() const { return Read().empty(); }
  const T& operator[](size_t k) const { return Read()[k]; }
  T& operator[](size_t k) { return Write()[k]; }
  const T& front() const { return Read().front(); }
  T& front() { return Write().front(); }
  const T& back() const { return Read().back(); }
  T& back() { return Write().back(); }
  const_iterator begin() const { return Read().begin(); }
  const_iterator end() const { return Read().end(); }
  // Writable iteration over an absent block is over nothing and creates none.
  iterator begin() { return HasBlock() ? Write().begin() : EmptyList().begin(); }
  iterator end() { return HasBlock() ? Write().end() : EmptyList().end(); }

  void clear() {
    if (HasBlock()) Write().clear();
  }
  void resize(size_t n) {
    if (n == 0 && !HasBlock()) return;
    Write().resize(n);
  }
  void assign(size_t n, const T& value) {
    if (n == 0 && !HasBlock()) return;
    Write().assign(n, value);
  }
  template <typename It>
  void assign(It first, It last) {
    if (first == last && !HasBlock()) return;
    Write().assign(first, last);
  }
  void push_back(const T& value) { Write().push_back(value); }
  void push_back(T&& value) { Write().push_back(std::move(value)); }
  template <typename... Args>
  T& emplace_back(Args&&... args) {
    return Write().emplace_back(std::forward<Args>(args)...);
  }

  operator const Storage&() const { return Read(); }

  friend bool operator==(const CommandExtraList& a, const CommandExtraList& b) { return a.Read() == b.Read(); }
  friend bool operator==(const CommandExtraList& a, const std::vector<T>& b) {
    return std::equal(a.Read().begin(), a.Read().end(), b.begin(), b.end());
  }

 private:
  static Storage& EmptyList() {
    static Storage empty;
    return empty;
  }
  const EventCommand& Owner() const;
  EventCommand& Owner();
  bool HasBlock() const;
  const Storage& Read() const;
  Storage& Write();
};

// One command of an event script. ints[0] is the command code, the rest its
// integer parameters; indent is the nesting depth inside its list. A command
// without texts, route or links is one 48-byte record with no heap block, so
// a list of them is one contiguous array.
struct EventCommand {
  [[no_unique_address]] CommandInts ints{0};
  uint8_t indent = 0;
  [[no_unique_address]] CommandExtraList<CommandExtraSlot::Strings, std::string> strings;
  [[no_unique_address]] CommandExtraList<CommandExtraSlot::Routes, MoveSettings> routes;
  // Filled by the link pass; empty after construction and reading.
  [[no_unique_address]] CommandExtraList<CommandExtraSlot::ResolvedInts, int32_t> ResolvedInts;
  [[no_unique_address]] CommandExtraList<CommandExtraSlot::ResolvedCells, ResolvedCell> ResolvedCells;
  // The out-of-line lists above, null while all of them are empty.
  std::unique_ptr<EventCommandExtra> extra;

  EventCommand() = default;
  EventCommand(const EventCommand& other) : ints(other.ints), indent(other.indent), extra(other.CopyExtra()) {}
  EventCommand(EventCommand&& other) noexcept = default;
  EventCommand& operator=(const EventCommand& other) {
    if (this != &other) {
      NoteLinksReplaced();
      ints = other.ints;
      indent = other.indent;
      extra = other.CopyExtra();
    }
    return *this;
  }
  EventCommand& operator=(EventCommand&& other) noexcept {
    NoteLinksReplaced();
    ints = std::move(other.ints);
    indent = other.indent;
    extra = std::move(other.extra);
    return *this;
  }

  int32_t Code() const { return ints.empty() ? 0 : ints[0]; }
  void SetCode(int32_t code) {
    if (ints.empty()) ints.resize(1);
    ints[0] = code;
  }

  bool operator==(const EventCommand& other) const {
    static const EventCommandExtra none{};
    return ints == other.ints && indent == other.indent &&
           (extra ? *extra : none) == (other.extra ? *other.extra : none);
  }

 private:
  void NoteLinksReplaced() const {
    if (extra && !extra->resolvedCells.empty()) NoteCommandLinksChanged();
  }
  std::unique_ptr<EventCommandExtra> CopyExtra() const {
    return extra && !extra->Empty() ? std::make_unique<EventCommandExtra>(*extra) : nullptr;
  }
};

// The views' places inside a command. The command is not standard-layout (it
// owns its block through a unique_ptr), but it has no virtual bases, so GCC
// and Clang give fixed member offsets.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
template <CommandExtraSlot Slot>
inline constexpr size_t kCommandViewOffset = Slot == CommandExtraSlot::Strings  ? offsetof(EventCommand, strings)
                                             : Slot == CommandExtraSlot::Routes ? offsetof(EventCommand, routes)
                                             : Slot == CommandExtraSlot::ResolvedInts
                                                 ? offsetof(EventCommand, ResolvedInts)
                                                 : offsetof(EventCommand, ResolvedCells);
#pragma GCC diagnostic pop

template <CommandExtraSlot Slot, typename T>
const EventCommand& CommandExtraList<Slot, T>::Owner() const {
  return *reinterpret_cast<const EventCommand*>(reinterpret_cast<const char*>(this) - kCommandViewOffset<Slot>);
}

template <CommandExtraSlot Slot, typename T>
EventCommand& CommandExtraList<Slot, T>::Owner() {
  return const_cast<EventCommand&>(static_cast<const CommandExtraList*>(this)->Owner());
}

template <CommandExtraSlot Slot, typename T>
bool CommandExtraList<Slot, T>::HasBlock() const {
  const EventCommand& owner = Owner();
  return owner.extra && FindExtraField<Slot>(*owner.extra);
}

template <CommandExtraSlot Slot, typename T>
const typename CommandExtraList<Slot, T>::Storage& CommandExtraList<Slot, T>::Read() const {
  const EventCommand& owner = Owner();
  const Storage* field = owner.extra ? FindExtraField<Slot>(*owner.extra) : nullptr;
  return field ? *field : EmptyList();
}

template <CommandExtraSlot Slot, typename T>
typename CommandExtraList<Slot, T>::Storage& CommandExtraList<Slot, T>::Write() {
  EventCommand& owner = Owner();
  if constexpr (Slot == CommandExtraSlot::ResolvedCells) NoteCommandLinksChanged();
  if (!owner.extra) owner.extra = std::make_unique<EventCommandExtra>();
  return MakeExtraField<Slot>(*owner.extra);
}

static_assert(sizeof(EventCommand) <= 48, "a plain command stays one small record");

using EventCommandList = std::vector<EventCommand>;

// Inserts one constructed command (code 0) at min(k, size).
void InsertDefaultCommand(EventCommandList& list, size_t k);

// Makes the list end with the end code: the last command's code becomes -1,
// and an empty list gets one end command, so a runner always finds an end.
void TerminateCommandList(EventCommandList& list);

class DataFileCursor;

// Reads one stored command at the data-file cursor into an existing command.
// Damaged counts mark the cursor damaged (the file reader then refuses the
// file); the result is always true.
bool ReadEventCommand(DataFileCursor& cursor, EventCommand& command);

// Empties the list, reads count stored commands into it and terminates it.
void ReadEventCommandList(DataFileCursor& cursor, EventCommandList& list, int32_t count);

// Smallest stored size of a command, for bounding counts read from a file.
inline constexpr size_t kMinStoredEventCommand = 4;
