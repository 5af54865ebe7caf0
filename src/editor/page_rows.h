// One line of a page, as the page builders write it: a control and everything said about it, so
// that a page builder reads like the table of its page. Unnamed members keep their defaults:
//
//   f.Add(&p.FilterGain.lanes()[l], TSliderRow{.caption = "Gain", .range = {0, 1},
//         .extended = {-8, 8}, .layer = TLayer::Primary, .reset = 1.0f});
//
// Members are named in the order they are declared (the language wants it).
#pragma once

#include <cstdint>
#include <string_view>

#include "editor/param_call.h"
#include "widgets/param_kind.h"
#include "editor/slider_curve.h"
#include "editor/slider_ranges.h"

namespace brelix {

class XParamCombo;

// Where a group goes: shown always, on the primary layer (the cursor stays, so the hidden group
// built next takes the same place) or on the hidden layer.
enum class TLayer : uint8_t { Both, Primary, Hidden };

struct TSliderRow {
  std::string_view caption{};
  TSliderRange range{0.0, 1.0};
  // The edit box's wider range; a bound of kSameAsNormalRange keeps the normal bound there.
  TSliderRange extended{kSameAsNormalRange, kSameAsNormalRange};
  TParamKind kind = TParamKind::SingleSingle;
  TLayer layer = TLayer::Both;
  TSliderCurve curve = TSliderCurve::Lin;
  float reset = 0.0f;          // the value a right click resets to
  std::string_view mask{};       // the number box's mask; empty: the edit box's own
  std::string_view label{};      // the label's text; empty: the caption
  const void* scaled = nullptr;  // the field that gets the rate-scaled copy
  bool key = false;            // a key parameter: the label is bold
  TParamProc get = nullptr;
  TParamProc set = nullptr;
};

struct TListRow {
  std::string_view caption{};
  std::string_view items{};      // list_items.h
  TLayer layer = TLayer::Both;
  bool noLabel = false;
  std::string_view label{};      // the label's text; empty: the caption
  int width = 0;               // 0: the standard width
  XParamCombo* shared = nullptr;  // a list whose items (and drop-down) this one shares
  bool audioOnly = false;
  uint32_t reset = 0;
  bool key = false;
  int32_t stage = 0;           // a step list's stage
  int32_t row = 0;             // a matrix slot's row 0..3
  TParamProc get = nullptr;
  TParamProc set = nullptr;
};

struct TSwitchRow {
  std::string_view caption{};
  TLayer layer = TLayer::Both;
  int width = 0;               // 0: the button's own size
  int height = 0;
  uint32_t off = 0;            // the field values for off and on
  uint32_t on = 0xFFFFFFFFu;
  TParamProc get = nullptr;
  TParamProc set = nullptr;
  // False for a switch that is no host parameter: the host's parameter numbers are fixed, and a
  // switch added since stays in the editor (and the patch) alone.
  bool hostParam = true;
};

}  // namespace brelix
