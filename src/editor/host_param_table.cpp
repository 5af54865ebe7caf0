#include "editor/host_param_table.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "editor/host_param_value.h"
#include "editor/param_edit_path.h"
#include "widgets/param_kind.h"
#include "editor/param_names.h"
#include "widgets/value_text.h"
#include "editor/x_param.h"
#include "synth/multi.h"
#include "synth/synthesizer.h"

namespace brelix {

namespace {

void CopyCut(std::string_view text, char* out, size_t capacity) {
  const size_t n = std::min(text.size(), capacity - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

// The text a list shows for value number `value`: its item's, or that of item 0 for a number no
// item carries.
std::string_view ListText(const TListItems* items, uint32_t value) {
  if (items == nullptr) return {};
  int32_t i = FindListValue(*items, value);
  if (i < 0) i = FindListValue(*items, 0);
  return i >= 0 ? std::string_view((*items)[static_cast<size_t>(i)].Text) : std::string_view();
}

int32_t ItemCount(const THostParamSpec& spec) {
  return spec.Items != nullptr ? static_cast<int32_t>(spec.Items->size()) : 0;
}

float ToHost(const THostParamSpec& spec, bool extRange, double value) {
  switch (spec.Type) {
    case THostParamType::Slider: return SliderToHost(spec.Ranges, extRange, static_cast<float>(value));
    case THostParamType::List: return ListToHost(ItemCount(spec), static_cast<uint32_t>(value));
    case THostParamType::Switch: return SwitchToHost(value != 0);
    case THostParamType::None: break;
  }
  return 0.0f;
}

}  // namespace

THostParamTable::THostParamTable(const THostParamList<IParamControl>& list, XSynthesizer* synthesizer)
    : synthesizer_(synthesizer),
      specs_(static_cast<size_t>(list.Count())),
      controls_(static_cast<size_t>(list.Count()), nullptr),
      names_(static_cast<size_t>(list.Count())),
      live_(std::make_unique<TLive[]>(static_cast<size_t>(list.Count()))),
      mirror_(list.Count()) {
  for (int32_t i = 0; i < list.Count(); ++i) {
    const auto* entry = list.Find(i, true);
    const size_t at = static_cast<size_t>(i);
    CopyCut(entry->Name, names_[at].Name, kTextCapacity);
    CopyCut(LegacyParamName(entry->Name), names_[at].Legacy, kTextCapacity);
    if (entry->Object == nullptr) continue;
    controls_[at] = entry->Object;
    specs_[at] = entry->Object->HostSpec();
  }
}

bool THostParamTable::HasValue(int32_t index) const {
  return index >= 0 && index < Count() && specs_[static_cast<size_t>(index)].Type != THostParamType::None;
}

IParamControl* THostParamTable::Control(int32_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return controls_[static_cast<size_t>(index)];
}

TParamCall THostParamTable::CallFor(const THostParamSpec& spec, double value) const {
  XMulti* multi = synthesizer_ != nullptr ? synthesizer_->Multi.get() : nullptr;
  return ParamCallFor(synthesizer_, multi != nullptr ? multi->EditBuffer : nullptr, multi, spec, value);
}

void THostParamTable::Write(int32_t index, float host, bool extRange) {
  if (!HasValue(index)) return;
  const THostParamSpec& spec = specs_[static_cast<size_t>(index)];
  TParamCall call = CallFor(spec, 0.0);
  double shown = 0.0;
  switch (spec.Type) {
    case THostParamType::Slider: {
      const std::optional<float> v = SliderFromHost(spec.Ranges, extRange, host);
      if (!v) return;
      const float value = KindValue(spec.Slider.Kind, *v);
      MarkPatchModified(call.Multi, synthesizer_);
      if (call.Patch != nullptr) WriteSliderField(*call.Patch, spec.Slider, value);
      call.Value = shown = value;
      break;
    }
    case THostParamType::List: {
      const std::optional<uint32_t> v = ListFromHost(ItemCount(spec), host);
      if (!v) return;
      MarkPatchModified(call.Multi, synthesizer_);
      if (call.Patch != nullptr) WriteListField(*call.Patch, spec.Param, *v);
      call.Value = shown = *v;
      break;
    }
    case THostParamType::Switch: {
      const std::optional<bool> on = SwitchFromHost(host);
      if (!on) return;
      MarkPatchModified(call.Multi, synthesizer_);
      if (call.Patch != nullptr) WriteSwitchField(*call.Patch, spec.Switch, *on);
      call.Value = shown = *on ? 1.0 : 0.0;
      break;
    }
    case THostParamType::None: return;
  }
  const double value = call.Value;
  if (spec.Set != nullptr) {
    spec.Set(call);
    // The slider shows the value the call-back took in its place (and tells the host again).
    if (call.Retaken) {
      MarkPatchModified(call.Multi, synthesizer_);
      shown = KindValue(spec.Slider.Kind, call.Float());
    }
  }
  Store(index, value, shown);
}

size_t THostParamTable::FormatText(const THostParamSpec& spec, double shown, char* text) const {
  switch (spec.Type) {
    case THostParamType::Slider: return FormatMaskedInto(shown, spec.Mask, text, kMaskedTextCapacity);
    case THostParamType::List: CopyCut(ListText(spec.Items, static_cast<uint32_t>(shown)), text, kTextCapacity); break;
    case THostParamType::Switch: CopyCut(SwitchDisplayText(shown != 0), text, kTextCapacity); break;
    case THostParamType::None: text[0] = '\0'; break;
  }
  return std::strlen(text);
}

void THostParamTable::Store(int32_t index, double value, double shown) {
  const THostParamSpec& spec = specs_[static_cast<size_t>(index)];
  char text[kMaskedTextCapacity];
  const size_t length = FormatText(spec, shown, text);
  mirror_.Store(index, ToHost(spec, false, value), ToHost(spec, true, value), std::string_view(text, length));
  TLive& live = live_[static_cast<size_t>(index)];
  live.Value.store(value, std::memory_order_release);
  live.Shown.store(shown, std::memory_order_release);
  live.Changed.store(true, std::memory_order_release);
  changed_.store(true, std::memory_order_release);
}

void THostParamTable::Publish(int32_t index, double value, std::string_view text) {
  if (!HasValue(index)) return;
  TLive& live = live_[static_cast<size_t>(index)];
  if (live.Changed.load(std::memory_order_acquire)) return;
  const THostParamSpec& spec = specs_[static_cast<size_t>(index)];
  mirror_.Store(index, ToHost(spec, false, value), ToHost(spec, true, value), text);
  live.Value.store(value, std::memory_order_release);
  live.Shown.store(value, std::memory_order_release);
}

float THostParamTable::HostValue(int32_t index, bool extRange) const {
  return HasValue(index) ? mirror_.Value(index, extRange) : 0.0f;
}

void THostParamTable::CopyDisplay(int32_t index, char* buffer) const {
  if (HasValue(index)) {
    mirror_.CopyText(index, buffer);
  } else {
    buffer[0] = '\0';
  }
}

void THostParamTable::CopyName(int32_t index, bool legacy, char* buffer) const {
  if (index < 0 || index >= Count()) {
    CopyCut(kUnknownParamName, buffer, kTextCapacity);
    return;
  }
  const TNames& names = names_[static_cast<size_t>(index)];
  std::memcpy(buffer, legacy ? names.Legacy : names.Name, kTextCapacity);
}

}  // namespace brelix
