// TEditorForm: the synthesizer's editor window, the interface form filled with its four pages
// ("Oscillators / Sound", "Filters / LFOs", "Envelopes", "Modulation / Delay"), the patch
// commands behind the "Init", "Load" and "Save" buttons and the patch name header, the sample
// headers "Osc #1" .. "Osc #4", and the information labels.
//
// CreateEditor builds everything once: the option lists, the page tabs and boxes, then each page
// from its own file (editor_page_*.cpp), each starting one column left of the first so that its
// first NextColumn lands at x = 4; columns are 151 wide with 4 between them (4, 159, 314, 469).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_item_lists.h"
#include "editor/interface_form.h"
#include "synth/patch_commands.h"

namespace brelix {

class XInterface;
struct XPatch;

class TEditorForm : public TInterfaceForm {
 public:
  static constexpr int kColumnStep = 151 + 4;

  // Page names, in tab order.
  static const std::array<const char*, kPageCount> kPageNames;
  // The information labels under the patch commands; the third text is split at its first "/"
  // into the last two labels.
  static const char* const kInfoTitle;
  static const char* const kInfoEngine;
  static const char* const kInfoMore;

  explicit TEditorForm(XInterface* editor);
  ~TEditorForm() override;

  TPage Page = TPage::OscPage;
  std::array<XSection*, 4> OscSection{};
  std::array<XPageButton*, kPageCount> PageButtons{};
  std::array<XScrollBox*, kPageCount> Pages{};
  std::array<std::vector<TComponent*>, kPageCount> PageControls;
  XPatch* ActivePatch = nullptr;
  TEditorItemLists Lists;

  void CreateEditor();
  // Shows a page, as a click on its tab does.
  void ActivatePage(TPage page);
  // The next column of the page being built.
  void NextColumn() { X += kColumnStep; }
  // The patch name header and the "Init", "Load" and "Save" buttons at the cursor; the
  // information labels below them.
  void AddPatchCommands();
  void AddInformationLabels();
  // An "Osc #n" header, half a column wide: its click loads the lane's sample (Ctrl: removes it).
  XSection* AddOscSection(int lane);
  // A "Delay #n" header: its click clears the delay's lines and state.
  XSection* AddDelaySection(int delay);

  TPatchCommands* Commands() { return commands_.get(); }

  // ---- TInterfaceForm
  void ControlCreated(TComponent* group) override;
  void Captioner() override;
  // Page Up and Page Down load the previous and next patch of the folder (editor/patch_stepping.h).
  // Page Up and Page Down step through the patch file's folder.
  bool ActsOnKey(int key) const override;
  bool PreviewKeyDown(TKeyEvent& e) override;
  // The sample names and the patch name header too.
  void RefreshControls(XPatch* patch, XMulti* multi) override;
  // A later open: the patch name header with its mark as well.
  void RefreshTexts() override;
  void IdleStep() override;
  void EditorClosed() override;

  // Loads every control of the four pages from the edit buffer, emptying their undo lists.
  void LoadControls();

 private:
  // What the patch commands show, on this form's headers.
  class TCommandsView : public IPatchCommandsView {
   public:
    explicit TCommandsView(TEditorForm& form) : form_(form) {}
    void ShowPatchCaption(const std::string& caption) override;
    void ShowSampleCaption(int lane, const std::string& caption, const std::string& hint) override;
    void Repaint() override;
    void RefreshControls() override { form_.LoadControls(); }
    unsigned long DialogOwner() const override;

   private:
    TEditorForm& form_;
  };

  void BuildPage(TPage page, void (*build)(TEditorForm&, const XPatch&));
  std::unique_ptr<XPatch> measure_;  // the record field addresses are measured against
  // What the page tabs ask of this form.
  class TPageTabs : public IPageButtonForm {
   public:
    explicit TPageTabs(TEditorForm& form) : form_(form) {}
    bool HiddenPage() const override { return form_.HiddenPage; }
    void ShowPrimaryLayer() override { form_.ShowPrimaryLayer(); }
    void ShowHiddenLayer() override { form_.ShowHiddenLayer(); }
    XPageButton* PageButton(TPage page) override { return form_.PageButtons[static_cast<int>(page)]; }
    XScrollBox* PageBox(TPage page) override { return form_.Pages[static_cast<int>(page)]; }
    void SetCurrentPage(TPage page, XScrollBox* box) override;

   private:
    TEditorForm& form_;
  };

  TCommandsView view_{*this};
  TPageTabs tabs_{*this};
  std::unique_ptr<TPatchCommands> commands_;
};

// The four pages, each in its own file.
void BuildOscillatorPage(TEditorForm& form, const XPatch& p);
void BuildFilterPage(TEditorForm& form, const XPatch& p);
void BuildEnvelopePage(TEditorForm& form, const XPatch& p);
void BuildModulationPage(TEditorForm& form, const XPatch& p);

}  // namespace brelix
