// The editor form's pages driven as a user drives them, through the headless window: the tabs
// show a control's page and layer, values are typed into edit boxes, items chosen from drop-downs
// by keys, switches, headers and buttons clicked. Controls are found by their host names
// ("Osc1.Semitone"), buttons by caption.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "editor/editor_form.h"
#include "widgets/x_button.h"
#include "widgets/x_combo.h"
#include "widgets/x_edit.h"
#include "editor/x_param_button.h"
#include "editor/x_param_combo.h"
#include "editor/x_param_slider.h"
#include "widgets/x_scroll_box.h"
#include "ui/headless_window.h"

namespace brelix::testing {

class PageDriver {
 public:
  // The form and the window that shows it, from now on.
  void Drive(TEditorForm& form, ui::HeadlessWindow& window) {
    form_ = &form;
    window_ = &window;
  }

  template <class T>
  T& Find(const std::string& id) {
    for (const auto& page : form_->PageControls)
      for (TComponent* c : page)
        if (auto* t = dynamic_cast<T*>(c); t != nullptr && t->ParamID == id) return *t;
    throw std::runtime_error("no control " + id);
  }
  // One of the plain buttons of the patch commands, "Init", "Load", "Save", with its page shown.
  XButton& Button(const std::string& caption) {
    if (!form_->Pages[0]->Visible()) Click(*form_->PageButtons[0]);
    for (TWidget* w : form_->Pages[static_cast<int>(TPage::OscPage)]->Children())
      if (auto* b = dynamic_cast<XButton*>(w); b != nullptr && b->Caption == caption) return *b;
    throw std::runtime_error("no button " + caption);
  }

  // Shows the page and the layer the control is on, through the tabs: a click shows a page, a
  // second click on the shown tab switches the layer. Controls without a counterpart show on both.
  template <class T>
  void Reveal(T& control) {
    int page = 0;
    while (std::find(form_->PageControls[page].begin(), form_->PageControls[page].end(), &control) ==
           form_->PageControls[page].end())
      ++page;
    if (!form_->Pages[page]->Visible()) Click(*form_->PageButtons[page]);
    const auto on = [&](const std::vector<IParam*>& layer) {
      return std::find(layer.begin(), layer.end(), static_cast<IParam*>(&control)) != layer.end();
    };
    if ((on(form_->HiddenParams) && !form_->HiddenPage) || (on(form_->PrimaryParams) && form_->HiddenPage))
      Click(*form_->PageButtons[page]);
  }
  void Click(const TWidget& w, TShiftState shift = {}, int x = 5, int y = 5) {
    const TPoint p = w.FormOrigin();
    window_->Click(p.x + x, p.y + y, ui::TMouseButton::Left, shift);
    window_->Idle();
  }

  // Types `text` into the slider's edit box and presses Enter.
  XParamSlider& Type(const std::string& id, const std::string& text) {
    XParamSlider& s = Find<XParamSlider>(id);
    Reveal(s);
    EXPECT_TRUE(s.GetVisible()) << id;
    Click(*s.Edit);
    window_->Key(0, 1);  // Ctrl+A
    window_->Type(text + "\r");
    window_->Idle();
    return s;
  }
  // Opens the drop-down and chooses `item` by keys.
  XParamCombo& Choose(const std::string& id, const std::string& item) {
    XParamCombo& c = Find<XParamCombo>(id);
    Reveal(c);
    const TListItems& items = c.Items();
    const auto at = std::find_if(items.begin(), items.end(), [&](const TListItem& i) { return i.Text == item; });
    if (at == items.end()) throw std::runtime_error(id + " has no item " + item);
    Click(*c.Combo, {}, 20, 8);
    window_->Key(ui::keys::kHome);
    for (auto i = items.begin(); i != at; ++i) window_->Key(ui::keys::kDown);
    window_->Key(ui::keys::kReturn, '\r');
    window_->Idle();
    EXPECT_EQ(c.DisplayText(), item) << id;
    return c;
  }
  XParamButton& Toggle(const std::string& id) {
    XParamButton& b = Find<XParamButton>(id);
    Reveal(b);
    Click(b);
    return b;
  }

 private:
  TEditorForm* form_ = nullptr;
  ui::HeadlessWindow* window_ = nullptr;
};

}  // namespace brelix::testing
