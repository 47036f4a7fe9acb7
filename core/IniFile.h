#pragma once
#include <cstddef>
#include <ostream>
#include <map>
#include <string>
#include <utility>

// The configuration file: sections in square brackets, "key = value" lines and
// "#" comments. A section name may occur several times (each occurrence is a
// sub-section of its own), and so may a key in one occurrence (each occurrence
// is one value). Everything keeps file order and its line numbers.
namespace IniFile {

// The links of a node in an owning list.
template <class T>
struct Node {
  T* next = nullptr;
  T* prev = nullptr;
};

// Walks one list; null is the end, and stepping past the end stays there.
template <class T>
class GenericIterator {
 public:
  explicit GenericIterator(T* node = nullptr) : node_(node) {}
  T& operator*() const { return *node_; }
  T* operator->() const { return node_; }
  GenericIterator& operator++() {
    if (node_) node_ = node_->next;
    return *this;
  }
  GenericIterator operator++(int) {
    GenericIterator old = *this;
    ++*this;
    return old;
  }
  bool operator!=(GenericIterator const& o) const { return node_ != o.node_; }
  bool operator==(GenericIterator const& o) const { return node_ == o.node_; }

 private:
  T* node_;
};

// A doubly linked list that owns its nodes, in the order they were appended.
template <class T>
class Chain {
 public:
  Chain() = default;
  Chain(Chain const&) = delete;
  Chain& operator=(Chain const&) = delete;
  ~Chain() { clear(); }

  T* append(T* node) {
    node->prev = last_;
    node->next = nullptr;
    if (last_) last_->next = node; else first_ = node;
    last_ = node;
    ++count_;
    return node;
  }
  void clear() {
    while (T* node = first_) {
      first_ = node->next;
      delete node;
    }
    last_ = nullptr;
    count_ = 0;
  }
  int count() const { return count_; }
  T* first() const { return first_; }
  T* last() const { return last_; }
  GenericIterator<T> begin() const { return GenericIterator<T>(first_); }
  GenericIterator<T> end() const { return GenericIterator<T>(); }

 private:
  T* first_ = nullptr;
  T* last_ = nullptr;
  int count_ = 0;
};

// A chain whose nodes are also found by name; the nodes are made from a name.
template <class T>
class NamedChain : public Chain<T> {
 public:
  // The node of that name, appended when missing.
  T& get(std::string const& name) {
    auto it = index_.find(name);
    return it != index_.end() ? *it->second : add(name);
  }
  T& add(std::string const& name) {
    T* node = this->append(new T(name));
    index_[name] = node;
    return *node;
  }
  void clear() {
    index_.clear();
    Chain<T>::clear();
  }

 private:
  std::map<std::string, T*> index_;
};

// A node's children, in order.
template <class T, class List = Chain<T>>
class Parent {
 public:
  int count() const { return children_.count(); }
  T* first() const { return children_.first(); }
  T* last() const { return children_.last(); }
  GenericIterator<T> begin() const { return children_.begin(); }
  GenericIterator<T> end() const { return children_.end(); }

 protected:
  // The dump of a node: its kind, its own field, its child count, its children.
  template <class V>
  void DumpNode(std::ostream& os, char const* kind, char const* field, V const& value, char const* countName) const;

  List children_;
};

// One value of a key, with the line it stands on (-1 when made up by CheckEmpty).
class SubKey : public Node<SubKey> {
 public:
  SubKey(std::string value, int lineNo) : mValue(std::move(value)), mLineNo(lineNo) {}

  std::string const& value() const { return mValue; }
  int lineNo() const { return mLineNo; }

  // "true", "yes", "1", "on" and "false", "no", "0", "off"; else the default.
  bool GetBool(bool def) const;
  void SetBool(bool v) { mValue = v ? "yes" : "no"; }
  // A decimal number after optional blanks, read up to the first character
  // that does not fit; the default when there is none or it is out of range.
  int GetInt(int def) const;
  void SetInt(int v) { mValue = std::to_string(v); }
  float GetFloat(float def) const;
  void SetFloat(float v);

  void Dump(std::ostream& os) const;

 private:
  std::string mValue;
  int mLineNo;
};

class Key : public Node<Key>, public Parent<SubKey> {
 public:
  explicit Key(std::string name) : mName(std::move(name)) {}

  std::string const& name() const { return mName; }

  SubKey& NewSubKey(std::string value, int lineNo) { return *children_.append(new SubKey(std::move(value), lineNo)); }
  void CleanSubKeys() { children_.clear(); }
  // A key without values gets the empty value at line -1.
  void CheckEmpty();
  void Dump(std::ostream& os) const;

 private:
  std::string mName;
};

// One occurrence of a section, from its header line on.
class SubSection : public Node<SubSection>, public Parent<Key, NamedChain<Key>> {
 public:
  explicit SubSection(int lineNo) : mLineNo(lineNo) {}

  int lineNo() const { return mLineNo; }

  // The key of that name, created without values when missing.
  Key& operator[](std::string const& name) { return children_.get(name); }
  Key& NewKey(std::string const& name) { return children_.add(name); }
  SubKey& NewSubKey(std::string const& key, std::string value, int lineNo) {
    return (*this)[key].NewSubKey(std::move(value), lineNo);
  }
  void CleanKeys() { children_.clear(); }
  void Dump(std::ostream& os) const;

 private:
  int mLineNo;
};

class Section : public Node<Section>, public Parent<SubSection> {
 public:
  explicit Section(std::string name) : mName(std::move(name)) {}

  std::string const& name() const { return mName; }

  SubSection& NewSubSection(int lineNo) { return *children_.append(new SubSection(lineNo)); }
  void CleanSubSections() { children_.clear(); }
  // A section that never occurred gets one empty occurrence at line -1.
  void CheckEmpty();
  void Dump(std::ostream& os) const;

 private:
  std::string mName;
};

class File : public Parent<Section, NamedChain<Section>> {
 public:
  // Longest section name, key name or value kept; a longer one drops its line.
  static constexpr size_t maxText = 4096;
  // Bytes read at most; the rest of a larger file is ignored.
  static constexpr size_t maxSize = 4 * 1024 * 1024;

  File() = default;
  explicit File(std::string const& name) { Open(name); }
  File(File const&) = delete;
  File& operator=(File const&) = delete;
  ~File() { Close(); }

  // Parses the named file; false when it cannot be opened (nothing parsed).
  bool Open(std::string const& name);
  void Close();
  bool IsOpen() const { return mOpen; }
  std::string const& FileName() const { return mFileName; }
  // Where lines that had to be dropped are reported (std::cerr unless set).
  void ReportTo(std::ostream& os) { mReport = &os; }

  // The section of that name, created empty when missing.
  Section& operator[](std::string const& name) { return children_.get(name); }
  Section& NewSection(std::string const& name) { return children_.add(name); }
  SubSection& NewSubSection(std::string const& section, int lineNo) { return (*this)[section].NewSubSection(lineNo); }
  void CleanSections() { children_.clear(); }
  void Sync() {}

  void Dump(std::ostream& os) const;

  // Parses a stream as a file without a name.
  friend std::istream& operator>>(std::istream& in, File& file);

 private:
  void IntOpenStream(std::istream& in);

  std::string mFileName;
  bool mOpen = false;
  std::ostream* mReport = nullptr;
};

template <class T, class List>
template <class V>
void Parent<T, List>::DumpNode(std::ostream& os, char const* kind, char const* field, V const& value,
                               char const* countName) const {
  os << "dumping IniFile::" << kind << std::endl;
  os << field << "=\"" << value << '"' << std::endl;
  os << countName << "=" << count() << std::endl;
  for (T const& child : children_) child.Dump(os);
}

}  // namespace IniFile
