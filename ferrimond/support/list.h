#pragma once
// Sorted singly linked list of strings, ascending by character code
// (case-sensitive); a value equal to existing ones goes in front of them.
//
// Callers walk the chain from Head through NextItem and may hold entries
// while others are added. An ordered index kept beside the chain finds the
// insertion point in logarithmic time, so a list of a whole backup's paths
// stays cheap to build.
#include <map>
#include <memory>
#include <string>

namespace ferrimond {

class ListItem {
 public:
  std::wstring Value;
  std::shared_ptr<ListItem> NextItem;

  ListItem() = default;
  explicit ListItem(std::wstring value) : Value(std::move(value)) {}
  // Releasing a node releases the chain behind it without deep recursion.
  ~ListItem();
  ListItem(const ListItem&) = delete;
  ListItem& operator=(const ListItem&) = delete;
};

class List {
 public:
  List() = default;
  List(const List&) = delete;
  List& operator=(const List&) = delete;

  const std::shared_ptr<ListItem>& Head() const { return head_; }

  void Add(const std::wstring& varValue);
  // Removes the first entry equal to varItem; true when one was removed.
  bool Delete(const std::wstring& varItem);

  size_t Count() const { return count_; }

 private:
  // For every distinct value, the first and last node holding it; equal
  // values always stand together, so the node in front of a value's place is
  // the last node of the next smaller value.
  struct Group {
    ListItem* first;
    ListItem* last;
  };

  void Link(ListItem* previous, std::shared_ptr<ListItem> node);

  std::shared_ptr<ListItem> head_;
  std::map<std::wstring, Group, std::less<>> index_;
  size_t count_ = 0;
};

}  // namespace ferrimond
