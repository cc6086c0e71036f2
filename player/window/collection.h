#pragma once
// VB's Collection as the bookmark lists use it: items in the order added,
// each with a unique text key that compares without regard to case. A
// second item under a key already present raises run-time error 457; an
// item number outside 1..Count raises error 9.

#include <QString>
#include <utility>
#include <vector>

#include "common/errors/errors.h"

namespace lumo::player {

template <typename T>
class Collection {
 public:
  void Add(T item, const QString& key) {
    for (const auto& entry : entries_)
      if (entry.first.compare(key, Qt::CaseInsensitive) == 0) throw RuntimeError(err::DuplicateKey);
    entries_.emplace_back(key, std::move(item));
  }
  // Item number index, counted from 1.
  const T& Item(int index) const {
    if (index < 1 || index > Count()) throw RuntimeError(err::SubscriptOutOfRange);
    return entries_[static_cast<size_t>(index - 1)].second;
  }
  const QString& Key(int index) const {
    if (index < 1 || index > Count()) throw RuntimeError(err::SubscriptOutOfRange);
    return entries_[static_cast<size_t>(index - 1)].first;
  }
  void Remove(int index) {
    if (index < 1 || index > Count()) throw RuntimeError(err::SubscriptOutOfRange);
    entries_.erase(entries_.begin() + (index - 1));
  }
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  std::vector<std::pair<QString, T>> entries_;
};

}  // namespace lumo::player
