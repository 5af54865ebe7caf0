// The part of IParam that every parameter control answers alike from its own fields (Active,
// Hidden, SectionID).
#pragma once

#include <cstdint>

#include "editor/x_param.h"

namespace brelix {

template <typename Control>
class TParamLayerState : public IParam {
 public:
  bool GetActive() const override { return Self().Active; }
  bool GetHidden() const override { return Self().Hidden; }
  void SetHidden(bool hidden) override { Self().Hidden = hidden; }
  void SetSectionID(int32_t id) override { Self().SectionID = id; }

 private:
  Control& Self() { return static_cast<Control&>(*this); }
  const Control& Self() const { return static_cast<const Control&>(*this); }
};

}  // namespace brelix
