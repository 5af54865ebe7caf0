#include "editor/interface_form.h"

#include <algorithm>

#include "toolkit/panel.h"
#include "editor/patch_field.h"
#include "editor/section_param.h"
#include "toolkit/widget_settings.h"
#include "editor/x_interface.h"
#include "widgets/x_label.h"
#include "editor/x_param_button.h"
#include "editor/x_param_combo.h"
#include "editor/x_param_slider.h"
#include "widgets/x_scroll_box.h"
#include "widgets/x_section.h"
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

template <typename Build>
auto TInterfaceForm::OnLayer(TLayer layer, Build build) {
  switch (layer) {
    case TLayer::Primary: return Primary(build);
    case TLayer::Hidden: return Hidden(build);
    case TLayer::Both: break;
  }
  return build();
}

// ---- sections and labels ----------------------------------------------------------------

XSection* TInterfaceForm::NewSection(std::string_view caption) {
  auto* section = PlaceIn(new XSection(this), PageBox, X, Y);
  ControlCreated(section);
  RegisterParam(caption, nullptr, nullptr, section, CreateHidden);
  section->Caption = " " + std::string(caption);
  section->Repaint();
  Y += section->Height();
  return section;
}

XSection* TInterfaceForm::AddSection(std::string_view caption, TLayer layer) {
  if (layer == TLayer::Both) return NewSection(caption);
  XSection* section = nullptr;
  OnLayer(layer, [&] { return SectionParam(section = NewSection(caption)); });
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

XParamButton* TInterfaceForm::NewButton(const void* field, const TSwitchRow& row) {
  auto* button = new XParamButton(this, row.caption, PageBox, X, Y);
  button->SetSize(row.width > 0 ? row.width : button->Width(), row.height > 0 ? row.height : button->Height());
  ControlCreated(button);
  button->SetField(FieldPosition(field));
  button->Synthesizer = Synthesizer;
  if (field != nullptr && row.hostParam) button->ParamID = RegisterParam(row.caption, button, button, nullptr, CreateHidden);
  controls_.push_back(button);
  Y += button->Height();
  return button;
}

XParamButton* TInterfaceForm::Add(const void* field, const TSwitchRow& row) {
  XParamButton* button = nullptr;
  OnLayer(row.layer, [&]() -> IParam* { return button = NewButton(field, row); });
  button->DefaultFalse = row.off;
  button->DefaultTrue = row.on;
  button->OnGetParam = row.get;
  button->OnSetParam = row.set;
  return button;
}

// ---- lists ------------------------------------------------------------------------------

XParamCombo* TInterfaceForm::NewCombo(const void* field, const TListRow& row) {
  auto* combo = new XParamCombo(this, row.caption, PageBox, X, Y, row.items, row.noLabel, row.label, row.shared,
                                row.audioOnly);
  if (row.width > 0) combo->SetWidth(row.width);
  ControlCreated(combo);
  combo->SetField(FieldPosition(field));
  combo->Synthesizer = Synthesizer;
  combo->ParamID = RegisterParam(row.caption, combo, combo, nullptr, CreateHidden);
  controls_.push_back(combo);
  Y += combo->Height;
  return combo;
}

XParamCombo* TInterfaceForm::Add(const void* field, const TListRow& row) {
  XParamCombo* combo = nullptr;
  OnLayer(row.layer, [&]() -> IParam* { return combo = NewCombo(field, row); });
  combo->Default = row.reset;
  if (row.key) combo->Key();
  combo->Tag = row.stage;
  combo->jj = row.row;
  combo->OnGetParam = row.get;
  combo->OnSetParam = row.set;
  return combo;
}

// ---- sliders ----------------------------------------------------------------------------

XParamSlider* TInterfaceForm::NewSlider(const void* field, const TSliderRow& row) {
  auto* slider = new XParamSlider(this, row.caption, PageBox, X, Y, row.range.Min, row.range.Max, row.extended.Min,
                                  row.extended.Max, row.label);
  ControlCreated(slider);
  slider->SetField(FieldPosition(field));
  if (row.scaled != nullptr) slider->ScaledParam = std::max(FieldPosition(row.scaled), 0);
  slider->Synthesizer = Synthesizer;
  slider->ParamID = RegisterParam(row.caption, slider, slider, nullptr, CreateHidden);
  controls_.push_back(slider);
  Y += slider->Height;
  if (row.kind != TParamKind::SingleSingle) slider->SetKind(row.kind);
  return slider;
}

XParamSlider* TInterfaceForm::Add(const void* field, const TSliderRow& row) {
  XParamSlider* slider = nullptr;
  OnLayer(row.layer, [&]() -> IParam* { return slider = NewSlider(field, row); });
  slider->Default = row.reset;
  slider->Curve = row.curve;
  if (!row.mask.empty()) slider->SetEditMask(row.mask);
  if (row.key) slider->Key();
  slider->OnGetParam = row.get;
  slider->OnSetParam = row.set;
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
