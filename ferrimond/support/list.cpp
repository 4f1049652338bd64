#include "ferrimond/support/list.h"

#include <iterator>

namespace ferrimond {

ListItem::~ListItem() {
  std::shared_ptr<ListItem> next = std::move(NextItem);
  while (next && next.use_count() == 1) {
    std::shared_ptr<ListItem> after = std::move(next->NextItem);
    next = std::move(after);
  }
}

void List::Link(ListItem* previous, std::shared_ptr<ListItem> node) {
  if (previous == nullptr) {
    node->NextItem = std::move(head_);
    head_ = std::move(node);
  } else {
    node->NextItem = std::move(previous->NextItem);
    previous->NextItem = std::move(node);
  }
}

void List::Add(const std::wstring& varValue) {
  auto node = std::make_shared<ListItem>(varValue);
  ListItem* raw = node.get();
  auto at = index_.lower_bound(varValue);
  ListItem* previous = at == index_.begin() ? nullptr : std::prev(at)->second.last;
  Link(previous, std::move(node));
  if (at != index_.end() && at->first == varValue)
    at->second.first = raw;  // a duplicate goes in front of its equals
  else
    index_.emplace_hint(at, varValue, Group{raw, raw});
  ++count_;
}

bool List::Delete(const std::wstring& varItem) {
  auto at = index_.find(varItem);
  if (at == index_.end()) return false;
  ListItem* previous = at == index_.begin() ? nullptr : std::prev(at)->second.last;
  Group& group = at->second;
  std::shared_ptr<ListItem>& link = previous ? previous->NextItem : head_;
  std::shared_ptr<ListItem> removed = std::move(link);
  link = std::move(removed->NextItem);
  if (group.first == group.last)
    index_.erase(at);
  else
    group.first = link.get();
  --count_;
  return true;
}

}  // namespace ferrimond
