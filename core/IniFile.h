#pragma once
#include <cstddef>
#include <iosfwd>
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

class Key : public Node<Key> {
 public:
  explicit Key(std::string name) : mName(std::move(name)) {}

  std::string const& name() const { return mName; }
  int count() const { return mSubKeys.count(); }
  SubKey* first() const { return mSubKeys.first(); }
  SubKey* last() const { return mSubKeys.last(); }
  GenericIterator<SubKey> begin() const { return mSubKeys.begin(); }
  GenericIterator<SubKey> end() const { return mSubKeys.end(); }

  SubKey& NewSubKey(std::string value, int lineNo) { return *mSubKeys.append(new SubKey(std::move(value), lineNo)); }
  void CleanSubKeys() { mSubKeys.clear(); }
  // A key without values gets the empty value at line -1.
  void CheckEmpty();
  void Dump(std::ostream& os) const;

 private:
  std::string mName;
  Chain<SubKey> mSubKeys;
};

// One occurrence of a section, from its header line on.
class SubSection : public Node<SubSection> {
 public:
  explicit SubSection(int lineNo) : mLineNo(lineNo) {}

  int lineNo() const { return mLineNo; }
  int count() const { return mKeys.count(); }
  GenericIterator<Key> begin() const { return mKeys.begin(); }
  GenericIterator<Key> end() const { return mKeys.end(); }

  // The key of that name, created without values when missing.
  Key& operator[](std::string const& name);
  Key& NewKey(std::string const& name);
  SubKey& NewSubKey(std::string const& key, std::string value, int lineNo) {
    return (*this)[key].NewSubKey(std::move(value), lineNo);
  }
  void CleanKeys();
  void Dump(std::ostream& os) const;

 private:
  int mLineNo;
  Chain<Key> mKeys;
  std::map<std::string, Key*> mIndex;
};

class Section : public Node<Section> {
 public:
  explicit Section(std::string name) : mName(std::move(name)) {}

  std::string const& name() const { return mName; }
  int count() const { return mSubSections.count(); }
  SubSection* first() const { return mSubSections.first(); }
  GenericIterator<SubSection> begin() const { return mSubSections.begin(); }
  GenericIterator<SubSection> end() const { return mSubSections.end(); }

  SubSection& NewSubSection(int lineNo) { return *mSubSections.append(new SubSection(lineNo)); }
  void CleanSubSections() { mSubSections.clear(); }
  // A section that never occurred gets one empty occurrence at line -1.
  void CheckEmpty();
  void Dump(std::ostream& os) const;

 private:
  std::string mName;
  Chain<SubSection> mSubSections;
};

class File {
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
  Section& operator[](std::string const& name);
  Section& NewSection(std::string const& name);
  SubSection& NewSubSection(std::string const& section, int lineNo) { return (*this)[section].NewSubSection(lineNo); }
  void CleanSections();
  void Sync() {}

  int count() const { return mSections.count(); }
  GenericIterator<Section> begin() const { return mSections.begin(); }
  GenericIterator<Section> end() const { return mSections.end(); }

  void Dump(std::ostream& os) const;

  // Parses a stream as a file without a name.
  friend std::istream& operator>>(std::istream& in, File& file);

 private:
  void IntOpenStream(std::istream& in);

  std::string mFileName;
  bool mOpen = false;
  Chain<Section> mSections;
  std::map<std::string, Section*> mIndex;
  std::ostream* mReport = nullptr;
};

}  // namespace IniFile
