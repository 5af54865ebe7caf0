// The host parameters as data. Entry i is host parameter i: its name, and for a control its kind
// (slider, list, switch), its patch field, ranges, number mask or items, and the engine call-back
// its edits run. The table is built once per instance from the host parameter list the page
// builders filled, after the form is complete, and never changes shape afterwards.
//
// A host's calls go through the table alone, from any thread: a write converts the host value,
// marks the patch modified (Modify), writes the field and runs the call-back, exactly as the
// control's own edit would, and keeps the value with its display text (cut to 31 characters) in
// the entry; reads answer from there. None of it touches a widget, allocates or takes a lock.
// Writers are one at a time: the editor hands the right to write between threads
// (THostParamHandOver); readers never wait and never see a torn text (THostParamMirror).
//
// The editor's side: a control's own edits are published into its entry by the thread that
// holds the controls, and the entries a host wrote are handed to their controls at the next idle
// call (TakeChanges), so the bar, the number box and the host's display text always agree.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/control_field.h"
#include "editor/host_param_list.h"
#include "editor/host_param_mirror.h"
#include "toolkit/list_items.h"
#include "editor/param_call.h"
#include "editor/slider_ranges.h"

namespace brelix {

class IParamControl;
class XSynthesizer;

enum class THostParamType : uint8_t { None, Slider, List, Switch };

// What a control tells the table about itself.
struct THostParamSpec {
  THostParamType Type = THostParamType::None;
  TSliderField Slider;                // Slider: the field and how it is read and written
  TSliderRanges Ranges;               // Slider
  std::string Mask;                   // Slider: the number box's mask
  const TListItems* Items = nullptr;  // List: the items (owned by the control, never changed)
  TSwitchField Switch;                // Switch
  int32_t Param = kNoPatchField;      // the field, for the call-back
  int32_t ii = 1, jj = 0, Tag = 0;
  TParamProc Set = nullptr;
};

// The part of a spec every control gives alike: its kind, binding and set call-back.
template <typename Control>
THostParamSpec HostSpecOf(const Control& c, THostParamType type) {
  THostParamSpec spec;
  spec.Type = type;
  spec.Param = c.Param;
  spec.ii = c.ii;
  spec.jj = c.jj;
  spec.Tag = c.Tag;
  spec.Set = c.OnSetParam;
  return spec;
}

class THostParamTable {
 public:
  static constexpr size_t kTextCapacity = THostParamMirror::kTextCapacity;

  THostParamTable(const THostParamList<IParamControl>& list, XSynthesizer* synthesizer);

  int32_t Count() const { return static_cast<int32_t>(specs_.size()); }
  // An entry that carries a value (not entry 0 nor a section heading); false outside the table.
  bool HasValue(int32_t index) const;

  // ---- the host's calls (any thread; writes one thread at a time)
  // The control's edit path with the host value; NaN writes nothing.
  void Write(int32_t index, float host, bool extRange);
  float HostValue(int32_t index, bool extRange) const;
  // The display text, or the name (with `legacy`, without its section), into 32 bytes.
  void CopyDisplay(int32_t index, char* buffer) const;
  void CopyName(int32_t index, bool legacy, char* buffer) const;

  // ---- the editor's side (the holder of the controls)
  IParamControl* Control(int32_t index) const;
  // A control's value (a list's number, a switch's 0 or 1) and its shown text into the entry,
  // unless a host write there still waits for the control.
  void Publish(int32_t index, double value, std::string_view text);
  // Hands `show`(control, value, shown) every entry a host wrote since the last call.
  template <typename Show>
  void TakeChanges(Show&& show) {
    if (!changed_.exchange(false, std::memory_order_acq_rel)) return;
    for (int32_t i = 0; i < Count(); ++i) {
      TLive& live = live_[static_cast<size_t>(i)];
      if (!live.Changed.exchange(false, std::memory_order_acq_rel)) continue;
      show(*Control(i), live.Value.load(std::memory_order_acquire), live.Shown.load(std::memory_order_acquire));
    }
  }

 private:
  struct TNames {
    char Name[kTextCapacity] = {};
    char Legacy[kTextCapacity] = {};
  };
  struct TLive {
    std::atomic<double> Value{0.0};  // the control's value
    std::atomic<double> Shown{0.0};  // what its number box shows (a slider's voice count may differ)
    std::atomic<bool> Changed{false};
  };

  TParamCall CallFor(const THostParamSpec& spec, double value) const;
  // Value and text into the entry after a write.
  void Store(int32_t index, double value, double shown);
  size_t FormatText(const THostParamSpec& spec, double shown, char* text) const;

  XSynthesizer* synthesizer_;
  std::vector<THostParamSpec> specs_;
  std::vector<IParamControl*> controls_;
  std::vector<TNames> names_;
  std::unique_ptr<TLive[]> live_;
  THostParamMirror mirror_;
  std::atomic<bool> changed_{false};
};

}  // namespace brelix
