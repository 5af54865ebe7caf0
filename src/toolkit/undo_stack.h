// The undo stack of a slider or list control: the control's earlier values, newest on top. It has
// no size limit and is emptied whenever the controls are reloaded from the patch.
#pragma once

#include <optional>
#include <vector>

namespace brelix {

template <typename Value>
class TUndoStack {
 public:
  // AddUndo: pushes the value unless the top already holds it, so two resets to the same value
  // leave one entry.
  void Add(Value value) {
    if (Entries.empty() || !(Entries.back() == value)) Entries.push_back(value);
  }

  // A slider drag's release pushes the value the drag started from without looking at the top.
  void Push(Value value) { Entries.push_back(value); }

  // The undo: takes the newest value off the stack; none when the stack is empty.
  std::optional<Value> Take() {
    if (Entries.empty()) return std::nullopt;
    Value value = Entries.back();
    Entries.pop_back();
    return value;
  }

  void Clear() { Entries.clear(); }
  bool Empty() const { return Entries.empty(); }
  size_t Size() const { return Entries.size(); }

 private:
  std::vector<Value> Entries;
};

}  // namespace brelix
