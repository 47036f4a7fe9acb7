#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>

// Intrusive lists of the main loop: a list never owns its items and an item is
// in at most one list at a time. Every item remembers the list that holds it,
// so membership tests and removal are constant time.

template <class T>
class F_dual_list;

template <class T>
class F_dual_list_item {
 public:
  F_dual_list_item() = default;
  // Links are never copied: a copy starts outside any list.
  F_dual_list_item(F_dual_list_item const&) {}
  F_dual_list_item& operator=(F_dual_list_item const&) { return *this; }

  T* next_item() const { return next_; }
  T* prev_item() const { return prev_; }
  bool in_list(F_dual_list<T> const* list) const { return list_ == list; }
  bool in_any_list() const { return list_ != nullptr; }

 private:
  friend class F_dual_list<T>;
  T* next_ = nullptr;
  T* prev_ = nullptr;
  F_dual_list<T>* list_ = nullptr;
};

template <class T>
class F_dual_list {
 public:
  F_dual_list() = default;
  F_dual_list(F_dual_list const&) = delete;
  F_dual_list& operator=(F_dual_list const&) = delete;

  T* head() const { return head_; }
  T* tail() const { return tail_; }
  uint32_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  bool contains(T const* item) const { return item_of(item)->list_ == this; }

  void push_back(T* item) { insert_to_tail(item); }
  void insert_to_tail(T* item) {
    unlink(item);
    link(item, tail_, nullptr);
  }
  void insert_to_head(T* item) {
    unlink(item);
    link(item, nullptr, head_);
  }
  void insert_after(T* member, T* item) {
    unlink(item);
    link(item, member, item_of(member)->next_);
  }

  void remove(T* item) {
    Item* it = item_of(item);
    if (it->list_ != this) return;
    if (it->prev_) item_of(it->prev_)->next_ = it->next_; else head_ = it->next_;
    if (it->next_) item_of(it->next_)->prev_ = it->prev_; else tail_ = it->prev_;
    it->next_ = it->prev_ = nullptr;
    it->list_ = nullptr;
    --count_;
  }

  T* remove_from_head() {
    T* first = head_;
    if (first) remove(first);
    return first;
  }

  // Links n consecutive elements of an array, in array order, at the tail.
  void init(T* array, size_t n) {
    for (size_t i = 0; i < n; ++i) insert_to_tail(&array[i]);
  }

  // Exchanges the contents of the two lists.
  void merge(F_dual_list& other) {
    std::swap(head_, other.head_);
    std::swap(tail_, other.tail_);
    std::swap(count_, other.count_);
    for (T* p = head_; p; p = item_of(p)->next_) item_of(p)->list_ = this;
    for (T* p = other.head_; p; p = item_of(p)->next_) item_of(p)->list_ = &other;
  }

  // Moves every item of the other list to the tail of this one, in order.
  void append(F_dual_list& other) {
    while (T* p = other.remove_from_head()) insert_to_tail(p);
  }

  class iterator {
   public:
    explicit iterator(T* p) : p_(p) {}
    T* operator*() const { return p_; }
    iterator& operator++() {
      p_ = item_of(p_)->next_;
      return *this;
    }
    bool operator!=(iterator const& o) const { return p_ != o.p_; }
    bool operator==(iterator const& o) const { return p_ == o.p_; }

   private:
    T* p_;
  };
  iterator begin() const { return iterator(head_); }
  iterator end() const { return iterator(nullptr); }

 protected:
  using Item = F_dual_list_item<T>;
  static Item* item_of(T* p) { return static_cast<Item*>(p); }
  static Item const* item_of(T const* p) { return static_cast<Item const*>(p); }

  static void unlink(T* item) {
    if (F_dual_list* owner = item_of(item)->list_) owner->remove(item);
  }
  void link(T* item, T* after, T* before) {
    Item* it = item_of(item);
    it->prev_ = after;
    it->next_ = before;
    if (after) item_of(after)->next_ = item; else head_ = item;
    if (before) item_of(before)->prev_ = item; else tail_ = item;
    it->list_ = this;
    ++count_;
  }

  T* head_ = nullptr;
  T* tail_ = nullptr;
  uint32_t count_ = 0;
};

// A list kept in the order of its members' compare(): members that compare
// equal keep their insertion order.
template <class T>
class F_sorted_list : public F_dual_list<T> {
 public:
  void insert_to_tail_by_grown(T* item) {
    for (T* p = this->tail_; p; p = this->item_of(p)->prev_item()) {
      if (p->compare(*item) <= 0) {
        this->insert_after(p, item);
        return;
      }
    }
    this->insert_to_head(item);
  }
  uint32_t count() const { return this->size(); }
};

namespace Containers {

// A node of a circular doubly linked list embedded in its owner.
struct CyclicList {
  CyclicList* next;
  CyclicList* prev;

  CyclicList() { InternalInit(); }
  void InternalInit() { next = prev = this; }
  bool IsEmpty() const { return next == this; }
  // Puts this node (outside any list) right before `pos`, at the tail of a list headed by pos.
  void InsertBefore(CyclicList* pos) {
    next = pos;
    prev = pos->prev;
    pos->prev->next = this;
    pos->prev = this;
  }
  // Takes this node out of its list and leaves it pointing to itself.
  void Remove() {
    InternalDel(prev, next);
    InternalInit();
  }
  static void InternalDel(CyclicList* prev, CyclicList* next) {
    next->prev = prev;
    prev->next = next;
  }

  class TIterator {
   public:
    explicit TIterator(CyclicList* node = nullptr) : node_(node) {}
    TIterator& operator++() {
      node_ = node_->next;
      return *this;
    }
    CyclicList* operator*() const { return node_; }
    bool operator==(TIterator const& o) const { return node_ == o.node_; }
    bool operator!=(TIterator const& o) const { return node_ != o.node_; }

   private:
    CyclicList* node_;
  };
};

// The owning object of a node, given the position of the node member in the owner.
template <class Owner>
Owner* offset(CyclicList* node, size_t memberOffset) {
  return reinterpret_cast<Owner*>(reinterpret_cast<char*>(node) - memberOffset);
}

}  // namespace Containers
