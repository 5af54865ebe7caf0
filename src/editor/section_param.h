// A section header as the layer switching sees it: the IParam of an XSection.
#pragma once

#include "editor/x_param.h"
#include "editor/x_section.h"

namespace brelix {

class TSectionParam final : public IParam {
 public:
  explicit TSectionParam(XSection& section) : section_(section) {}

  bool GetActive() const override { return true; }
  void SetActive(bool) override {}
  bool GetExternal() const override { return false; }
  void SetExternal(bool) override {}
  bool GetHidden() const override { return section_.Hidden; }
  void SetHidden(bool hidden) override { section_.Hidden = hidden; }
  int32_t GetSectionID() const override { return section_.SectionID; }
  void SetSectionID(int32_t id) override { section_.SectionID = id; }
  int32_t GetTop() const override { return section_.Top(); }
  bool GetVisible() const override { return section_.Visible(); }
  // The randomiser layer's twin has no window; nothing to show there.
  void SetVisible(bool visible, bool randomiser) override {
    if (!randomiser) section_.SetVisible(visible);
  }
  void Refresh() override { section_.Repaint(); }

  XSection& Section() const { return section_; }

 private:
  XSection& section_;
};

}  // namespace brelix
