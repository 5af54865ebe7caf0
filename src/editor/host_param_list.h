// The host parameter list: entry i is host parameter i, a name and the control that carries its
// value (none for entry 0, "Extended", and for section headers). Entries of the hidden layer wait
// in a staging list while a page is built and join the end of the list, in their order, each time
// the page builder flushes them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "editor/param_names.h"

namespace brelix {

template <typename Control>
class THostParamList {
 public:
  struct TEntry {
    std::string Name;
    Control* Object = nullptr;
  };

  THostParamList() { Params.push_back({kExtendedParamName, nullptr}); }

  void Add(std::string name, Control* object, bool hidden) {
    (hidden ? HiddenParams : Params).push_back({std::move(name), object});
  }

  // Moves the staged hidden-layer entries to the end of the list; a second call moves nothing.
  void FlushHiddenParams() {
    for (TEntry& entry : HiddenParams) Params.push_back(std::move(entry));
    HiddenParams.clear();
  }

  int32_t Count() const { return static_cast<int32_t>(Params.size()); }
  int32_t StagedCount() const { return static_cast<int32_t>(HiddenParams.size()); }

  // The entry a host call addresses: none with automation off or an index outside the list,
  // which the parameter calls answer neutrally.
  const TEntry* Find(int32_t index, bool automation) const {
    if (!automation || index < 0 || index >= Count()) return nullptr;
    return &Params[static_cast<size_t>(index)];
  }

  // The name a host is shown: "?" where Find gives none; with `legacy`, without its section.
  std::string Name(int32_t index, bool automation, bool legacy) const {
    const TEntry* entry = Find(index, automation);
    if (entry == nullptr) return kUnknownParamName;
    return legacy ? LegacyParamName(entry->Name) : entry->Name;
  }

 private:
  std::vector<TEntry> Params;
  std::vector<TEntry> HiddenParams;
};

}  // namespace brelix
