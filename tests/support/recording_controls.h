// Parameter controls reduced to what the widgets call: each records the calls and keeps a value.
#pragma once

#include <string>
#include <vector>

#include "widgets/control_links.h"

namespace brelix::testing {

class RecordingSliderControl : public ISliderControl {
 public:
  float ControlValue() const override { return value; }
  void AddUndo() override { calls.push_back("AddUndo"); }
  void UpdateValue(float v) override {
    calls.push_back("UpdateValue");
    value = v;
    updates.push_back(v);
  }
  void BeginDrag() override { calls.push_back("BeginDrag"); }
  void DragTo(float position, bool extended) override {
    calls.push_back(extended ? "DragTo ext" : "DragTo");
    value = position;
    positions.push_back(position);
  }
  void EndDrag() override { calls.push_back("EndDrag"); }
  void Notch(int notches, bool fine) override {
    calls.push_back((fine ? "Notch fine " : "Notch ") + std::to_string(notches));
  }

  float value = 0;
  std::vector<std::string> calls;
  std::vector<float> updates;
  std::vector<float> positions;
};

class RecordingListControl : public IListControl {
 public:
  uint32_t ControlValue() const override { return value; }
  void AddUndo() override { calls.push_back("AddUndo"); }
  void UpdateValue(uint32_t v) override {
    calls.push_back("UpdateValue " + std::to_string(v));
    value = v;
  }

  uint32_t value = 0;
  std::vector<std::string> calls;
};

}  // namespace brelix::testing
