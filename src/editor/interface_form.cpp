#include "editor/interface_form.h"

#include <algorithm>

#include "editor/panel.h"
#include "editor/patch_field.h"
#include "editor/section_param.h"
#include "editor/widget_settings.h"
#include "editor/x_interface.h"
#include "editor/x_label.h"
#include "editor/x_param_button.h"
#include "editor/x_param_combo.h"
#include "editor/x_param_slider.h"
#include "editor/x_scroll_box.h"
#include "editor/x_section.h"
#include "synth/synthesizer.h"
#include "ui/input.h"

namespace brelix {

TInterfaceForm::TInterfaceForm(int width, int height) : TForm(nullptr) {
  const TEditorColors& colors = WidgetSettings().Colors;
  SetSize(width, height);
  Color = colors.WindowColor;
  PagePanel = new TPanel(this);
  PagePanel->Color = Color;
  PagePanel->SetParent(this);
  PagePanel->SetSize(width, kPageStripHeight);
  PagePanel->SetAlign(WidgetSettings().BottomButtons ? TAlign::Bottom : TAlign::Top);
  PagesPanel = new TPanel(this);
  PagesPanel->Color = Color;
  PagesPanel->SetParent(this);
  PagesPanel->SetAlign(TAlign::Client);
}

TInterfaceForm::~TInterfaceForm() { DestroyComponents(); }

XScrollBox* TInterfaceForm::AddPage(std::string_view caption, XPageButton** button) {
  auto* box = new XScrollBox(this);
  box->Color = Color;
  box->Font = Font;
  box->SetParent(PagesPanel);
  box->SetAlign(TAlign::Client);
  box->Hide();
  auto* tab = new XPageButton(this);
  tab->Caption = std::string(caption);
  tab->Index = static_cast<TPage>(std::min<size_t>(page_boxes_.size(), kPageCount - 1));
  tab->EditorForm = dynamic_cast<IPageButtonForm*>(this);
  PlaceIn(tab, PagePanel, static_cast<int>(page_boxes_.size()) * tab->Width(), 1);
  page_boxes_.push_back(box);
  page_buttons_.push_back(tab);
  if (button != nullptr) *button = tab;
  if (PageBox == nullptr) ShowPage(box);
  return box;
}

void TInterfaceForm::ShowPage(XScrollBox* box) {
  for (size_t i = 0; i < page_boxes_.size(); ++i) {
    const bool shown = page_boxes_[i] == box;
    page_boxes_[i]->SetVisible(shown);
    page_buttons_[i]->Down = shown;
    page_buttons_[i]->Repaint();
  }
  PageBox = box;
}

int32_t TInterfaceForm::FieldPosition(const void* field) const {
  if (field == nullptr || PatchAddr == 0) return kNoPatchField;
  return PatchFieldPosition(*reinterpret_cast<const XPatch*>(PatchAddr), field);
}

IParam* TInterfaceForm::SectionParam(XSection* section) {
  section_params_.push_back(std::make_unique<TSectionParam>(*section));
  return section_params_.back().get();
}

template <typename Build>
auto TInterfaceForm::Primary(Build build) {
  const int32_t y = Y;
  auto* group = build();
  Y = y;
  PrimaryParams.push_back(group);
  return group;
}

template <typename Build>
auto TInterfaceForm::Hidden(Build build) {
  CreateHidden = true;
  auto* group = build();
  CreateHidden = false;
  HiddenParams.push_back(group);
  group->SetGroupVisible(false);
  return group;
}

// ---- sections and labels ----------------------------------------------------------------

XSection* TInterfaceForm::AddSection(std::string_view caption) {
  auto* section = PlaceIn(new XSection(this), PageBox, X, Y);
  ControlCreated(section);
  RegisterParam(caption, nullptr, nullptr, section, CreateHidden);
  section->Caption = " " + std::string(caption);
  section->Repaint();
  Y += section->Height();
  return section;
}

XSection* TInterfaceForm::AddPrimarySection(std::string_view caption) {
  XSection* section = nullptr;
  Primary([&] { return SectionParam(section = AddSection(caption)); });
  return section;
}

XSection* TInterfaceForm::AddHiddenSection(std::string_view caption) {
  XSection* section = nullptr;
  Hidden([&] { return SectionParam(section = AddSection(caption)); });
  return section;
}

XLabel* TInterfaceForm::AddLabel(std::string_view caption) {
  XLabel* label = XLabel::CreateLabel(this, PageBox, X, Y);
  label->SetSize(kColumnWidth, label->Height());
  label->Caption = std::string(caption);
  ControlCreated(label);
  Y += label->Height();
  return label;
}

// ---- switches ---------------------------------------------------------------------------

XParamButton* TInterfaceForm::AddButton(const void* field, std::string_view caption, int width,
                                        int height) {
  auto* button = new XParamButton(this, caption, PageBox, X, Y);
  button->SetSize(width > 0 ? width : button->Width(), height > 0 ? height : button->Height());
  ControlCreated(button);
  button->SetField(FieldPosition(field));
  button->Synthesizer = Synthesizer;
  if (field != nullptr) button->ParamID = RegisterParam(caption, button, button, nullptr, CreateHidden);
  controls_.push_back(button);
  Y += button->Height();
  return button;
}

XParamButton* TInterfaceForm::AddPrimaryButton(const void* field, std::string_view caption,
                                               int width, int height) {
  XParamButton* button = nullptr;
  Primary([&]() -> IParam* { return button = AddButton(field, caption, width, height); });
  return button;
}

XParamButton* TInterfaceForm::AddHiddenButton(const void* field, std::string_view caption,
                                              int width, int height) {
  XParamButton* button = nullptr;
  Hidden([&]() -> IParam* { return button = AddButton(field, caption, width, height); });
  return button;
}

// ---- lists ------------------------------------------------------------------------------

XParamCombo* TInterfaceForm::AddCombo(const void* field, std::string_view caption,
                                      std::string_view itemText, bool withoutLabel,
                                      std::string_view labelText, int width, XParamCombo* shared,
                                      bool audioOnly) {
  auto* combo = new XParamCombo(this, caption, PageBox, X, Y, itemText, withoutLabel, labelText,
                                shared, audioOnly);
  if (width > 0) combo->SetWidth(width);
  ControlCreated(combo);
  combo->SetField(FieldPosition(field));
  combo->Synthesizer = Synthesizer;
  combo->ParamID = RegisterParam(caption, combo, combo, nullptr, CreateHidden);
  controls_.push_back(combo);
  Y += combo->Height;
  return combo;
}

XParamCombo* TInterfaceForm::AddPrimaryCombo(const void* field, std::string_view caption,
                                             std::string_view itemText, bool withoutLabel,
                                             std::string_view labelText, int width,
                                             XParamCombo* shared, bool audioOnly) {
  XParamCombo* combo = nullptr;
  Primary([&]() -> IParam* {
    return combo = AddCombo(field, caption, itemText, withoutLabel, labelText, width, shared, audioOnly);
  });
  return combo;
}

XParamCombo* TInterfaceForm::AddHiddenCombo(const void* field, std::string_view caption,
                                            std::string_view itemText, bool withoutLabel,
                                            std::string_view labelText, int width,
                                            XParamCombo* shared, bool audioOnly) {
  XParamCombo* combo = nullptr;
  Hidden([&]() -> IParam* {
    return combo = AddCombo(field, caption, itemText, withoutLabel, labelText, width, shared, audioOnly);
  });
  return combo;
}

// ---- sliders ----------------------------------------------------------------------------

XParamSlider* TInterfaceForm::AddSlider(const void* field, std::string_view caption, double min,
                                        double max, double extMin, double extMax,
                                        std::string_view labelText, const void* scaledField) {
  auto* slider = new XParamSlider(this, caption, PageBox, X, Y, min, max, extMin, extMax, labelText);
  ControlCreated(slider);
  slider->SetField(FieldPosition(field));
  if (scaledField != nullptr) slider->ScaledParam = std::max(FieldPosition(scaledField), 0);
  slider->Synthesizer = Synthesizer;
  slider->ParamID = RegisterParam(caption, slider, slider, nullptr, CreateHidden);
  controls_.push_back(slider);
  Y += slider->Height;
  return slider;
}

XParamSlider* TInterfaceForm::AddSliderI(const void* field, std::string_view caption, double min,
                                         double max, double extMin, double extMax,
                                         std::string_view labelText, const void* scaledField) {
  XParamSlider* slider = AddSlider(field, caption, min, max, extMin, extMax, labelText, scaledField);
  slider->SetKind(TParamKind::SingleInteger);
  return slider;
}

XParamSlider* TInterfaceForm::AddSliderII(const void* field, std::string_view caption,
                                          int32_t min, int32_t max, int32_t extMin,
                                          int32_t extMax, std::string_view labelText) {
  XParamSlider* slider = AddSlider(field, caption, min, max, extMin, extMax, labelText, nullptr);
  slider->SetKind(TParamKind::IntegerInteger);
  return slider;
}

XParamSlider* TInterfaceForm::AddPrimarySlider(const void* field, std::string_view caption,
                                               double min, double max, double extMin,
                                               double extMax, std::string_view labelText,
                                               const void* scaledField) {
  XParamSlider* slider = nullptr;
  Primary([&]() -> IParam* {
    return slider = AddSlider(field, caption, min, max, extMin, extMax, labelText, scaledField);
  });
  return slider;
}

XParamSlider* TInterfaceForm::AddHiddenSlider(const void* field, std::string_view caption,
                                              double min, double max, double extMin,
                                              double extMax, std::string_view labelText,
                                              const void* scaledField) {
  XParamSlider* slider = nullptr;
  Hidden([&]() -> IParam* {
    return slider = AddSlider(field, caption, min, max, extMin, extMax, labelText, scaledField);
  });
  return slider;
}

XParamSlider* TInterfaceForm::AddHiddenSliderI(const void* field, std::string_view caption,
                                               double min, double max, double extMin,
                                               double extMax, std::string_view labelText,
                                               const void* scaledField) {
  XParamSlider* slider = nullptr;
  Hidden([&]() -> IParam* {
    return slider = AddSliderI(field, caption, min, max, extMin, extMax, labelText, scaledField);
  });
  return slider;
}

XParamSlider* TInterfaceForm::AddPrimarySliderII(const void* field, std::string_view caption,
                                                 int32_t min, int32_t max, int32_t extMin,
                                                 int32_t extMax, std::string_view labelText) {
  XParamSlider* slider = nullptr;
  Primary([&]() -> IParam* {
    return slider = AddSliderII(field, caption, min, max, extMin, extMax, labelText);
  });
  return slider;
}

XParamSlider* TInterfaceForm::AddHiddenSliderII(const void* field, std::string_view caption,
                                                int32_t min, int32_t max, int32_t extMin,
                                                int32_t extMax, std::string_view labelText) {
  XParamSlider* slider = nullptr;
  Hidden([&]() -> IParam* {
    return slider = AddSliderII(field, caption, min, max, extMin, extMax, labelText);
  });
  return slider;
}

// ---- host names and layers --------------------------------------------------------------

std::string TInterfaceForm::RegisterParam(std::string_view caption, IParamControl* control,
                                          IParam* group, XSection* section, bool hidden) {
  if (caption.empty() || Editor == nullptr) return {};
  if (section != nullptr) {
    const std::optional<TParamNaming> naming = namer_.Section(caption, hidden);
    if (!naming) return {};
    section->SectionName = naming->Name.substr(1);  // without the "*"
    section->SectionID = naming->SectionID;
    Editor->Params.Add(naming->Name, nullptr, hidden);
    return naming->Name;
  }
  const std::optional<TParamNaming> naming = namer_.Control(caption, hidden);
  if (!naming) return {};
  if (group != nullptr) {
    group->SetSectionID(naming->SectionID);
    if (hidden) group->SetHidden(true);
  }
  Editor->Params.Add(naming->Name, control, hidden);
  return naming->Name;
}

void TInterfaceForm::FlushHiddenParams() {
  if (Editor != nullptr) Editor->Params.FlushHiddenParams();
}

void TInterfaceForm::ShowHiddenLayer() {
  for (IParam* group : PrimaryParams) {
    group->SetHidden(true);
    if (group->GetActive()) group->SetGroupVisible(false);
  }
  for (IParam* group : HiddenParams) {
    group->SetHidden(false);
    if (group->GetActive()) group->SetGroupVisible(true);
  }
  HiddenPage = true;
}

void TInterfaceForm::ShowPrimaryLayer() {
  for (IParam* group : HiddenParams) {
    group->SetHidden(true);
    if (group->GetActive()) group->SetGroupVisible(false);
  }
  for (IParam* group : PrimaryParams) {
    group->SetHidden(false);
    if (group->GetActive()) group->SetGroupVisible(true);
  }
  HiddenPage = false;
}

void TInterfaceForm::RefreshControls(XPatch* patch, XMulti* multi) {
  for (IParamControl* control : controls_) control->LoadFrom(patch, multi);
}

void TInterfaceForm::RefreshTexts() {
  for (IParamControl* control : controls_) control->RefreshTexts();
}

// ---- keys -------------------------------------------------------------------------------

bool TInterfaceForm::PreviewKeyDown(TKeyEvent& e) {
  if (e.Key == ui::keys::kTab && !WidgetSettings().LegacyTab) {
    SelectNext(!e.Shift.Shift);
    return true;
  }
  if (e.Key == ui::keys::kEscape) {
    const bool hosted = Synthesizer != nullptr && Synthesizer->AudioMaster() != nullptr;
    if (!hosted) {
      CloseWithoutHost();
      return true;
    }
  }
  return false;
}

}  // namespace brelix
