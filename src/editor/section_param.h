// A section header as the layer switching sees it: the IParam of an XSection.
#pragma once

#include "editor/x_param.h"
#include "widgets/x_section.h"

namespace brelix {

class TSectionParam final : public IParam {
 public:
  explicit TSectionParam(XSection& section) : section_(section) {}

  bool GetActive() const override { return true; }
  bool GetHidden() const override { return section_.Hidden; }
  void SetHidden(bool hidden) override { section_.Hidden = hidden; }
  void SetSectionID(int32_t id) override { section_.SectionID = id; }
  int32_t GetTop() const override { return section_.Top(); }
  bool GetVisible() const override { return section_.Visible(); }
  void SetGroupVisible(bool visible) override { section_.SetVisible(visible); }
  void Refresh() override { section_.Repaint(); }

  XSection& Section() const { return section_; }

 private:
  XSection& section_;
};

}  // namespace brelix
