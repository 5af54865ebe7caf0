// TInterfaceForm: the editor window and the builders of its pages. A strip of page buttons (at the
// top, or at the bottom with the BottomButtons setting) and the page area with one scroll box per
// page. The builders place a widget group at the layout cursor (X, Y) in PageBox, bind it to a
// field of the record at PatchAddr, name it for the host (RegisterParam) and sort it into a layer
// (page_rows.h has the rows they take):
//
//   plain     always shown; Y moves down by the group's height.
//   primary   Y is kept, so that the hidden group built next takes the same place.
//   hidden    built hidden; Y moves down. Only one layer is shown (ShowPrimaryLayer,
//             ShowHiddenLayer), on all pages alike.
//
// Host names: a section "Osc #1" is "*Osc1"; a control "Amp/Volume" under the section "Voice" is
// "Voice.AmpVolume". A hidden-layer entry waits until FlushHiddenParams puts it at the list's end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/form.h"
#include "editor/page_rows.h"
#include "editor/param_names.h"
#include "widgets/x_page_button.h"
#include "plugin/vst24.h"

namespace brelix {

class TPanel;
class XInterface;
class XLabel;
class XParamButton;
class XParamCombo;
class XParamSlider;
class XScrollBox;
class XSection;
class XSynthesizer;
class XMulti;
struct XPatch;
class IParam;
class IParamControl;

class TInterfaceForm : public TForm {
 public:
  static constexpr int kPageStripHeight = 19;
  static constexpr int kSectionHeight = 16;
  static constexpr int kLabelHeight = 14;
  static constexpr int kSliderGroupHeight = 31;
  static constexpr int kHalfColumnStep = 76;  // half a column and the gap

  // The window of the given size with its page strip and page area; no pages yet.
  TInterfaceForm(int width, int height);
  ~TInterfaceForm() override;

  TPanel* PagePanel = nullptr;
  TPanel* PagesPanel = nullptr;
  uintptr_t PatchAddr = 0;  // the record that field addresses given to the builders lie in
  int32_t X = 0, Y = 0;     // the layout cursor in PageBox
  XScrollBox* PageBox = nullptr;
  XSection* PatchLabel = nullptr;
  std::vector<IParam*> PrimaryParams;  // primary groups that have a hidden counterpart
  std::vector<IParam*> HiddenParams;
  bool CreateHidden = false;
  bool HiddenPage = false;
  bool SaveAs = false;
  XInterface* Editor = nullptr;
  XSynthesizer* Synthesizer = nullptr;

  // A page box in the page area (hidden until shown) and its button on the strip.
  XScrollBox* AddPage(std::string_view caption, XPageButton** button = nullptr);
  // Shows `box` as the current page; it receives the groups built next.
  void ShowPage(XScrollBox* box);

  // ---- builders (a field is the address of a field inside the record at PatchAddr, or none)
  XSection* AddSection(std::string_view caption, TLayer layer = TLayer::Both);
  XLabel* AddLabel(std::string_view caption);
  // One page line: the control of the row's kind at the cursor, bound to `field`.
  XParamSlider* Add(const void* field, const TSliderRow& row);
  XParamCombo* Add(const void* field, const TListRow& row);
  XParamButton* Add(const void* field, const TSwitchRow& row);

  // ---- the layout cursor's steps
  // To the right half of the column and back (the switches beside a half-width header).
  void ToRightHalf() { X += kHalfColumnStep; }
  void ToLeftHalf() { X -= kHalfColumnStep; }
  // To the row at `y` of the page.
  void AtRow(int y) { Y = y; }

  // Names a group and enters it into the editor's host list (nothing without a caption or an
  // editor). `control` is none for a section. Returns the name.
  std::string RegisterParam(std::string_view caption, IParamControl* control, IParam* group,
                            XSection* section, bool hidden);
  void FlushHiddenParams();
  void ShowHiddenLayer();
  void ShowPrimaryLayer();

  // Every control built, in building order, for a reload from the patch.
  const std::vector<IParamControl*>& Controls() const { return controls_; }
  // Loads every control from `patch` (their undo stacks emptied); a concrete form adds what it
  // shows besides (the patch name).
  virtual void RefreshControls(XPatch* patch, XMulti* multi);
  // A later open of the editor: the edit and list texts are rewritten from the values.
  virtual void RefreshTexts();

  // ---- hooks for the concrete form
  // A group was created (the editor form files it under its page).
  virtual void ControlCreated(TComponent* group) { (void)group; }
  // The host's idle call, while the editor's window is open.
  virtual void IdleStep() {}
  // The editor's window closes.
  virtual void EditorClosed() {}
  // The host's key calls; 0: not handled.
  virtual int32_t KeyDownHook(const VstKeyCode& key) { (void)key; return 0; }
  virtual int32_t KeyUpHook(const VstKeyCode& key) { (void)key; return 0; }
  // Refreshes the modified mark of the patch name header.
  virtual void Captioner() {}

  // Tab and Shift+Tab move the focus (unless LegacyTab); Escape closes a form without a host.
  bool PreviewKeyDown(TKeyEvent& e) override;
  // Called for Escape without a host; a stand-alone form closes its window here.
  virtual void CloseWithoutHost() {}

 private:
  int32_t FieldPosition(const void* field) const;
  // The group on its layer.
  template <typename Build>
  auto OnLayer(TLayer layer, Build build);
  XSection* NewSection(std::string_view caption);
  XParamButton* NewButton(const void* field, const TSwitchRow& row);
  XParamCombo* NewCombo(const void* field, const TListRow& row);
  XParamSlider* NewSlider(const void* field, const TSliderRow& row);
  // The primary variants: the plain builder with Y kept, the group filed as primary.
  template <typename Build>
  auto Primary(Build build);
  // The hidden variants: the plain builder on the hidden layer, the group filed and hidden.
  template <typename Build>
  auto Hidden(Build build);
  IParam* SectionParam(XSection* section);
  // The section numbering and naming of this build.
  TParamNamer namer_;
  std::vector<IParamControl*> controls_;
  std::vector<std::unique_ptr<IParam>> section_params_;  // the sections' IParam adapters
  std::vector<XPageButton*> page_buttons_;
  std::vector<XScrollBox*> page_boxes_;
};

}  // namespace brelix
