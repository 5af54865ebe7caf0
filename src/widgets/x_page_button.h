// XPageButton: a tab of the editor's page strip. Clicking the tab of another page shows that
// page; clicking the tab of the page already shown switches between the primary and the hidden
// layer of every page.
#pragma once

#include "widgets/x_button.h"

namespace brelix {

class XScrollBox;
class XPageButton;

enum class TPage { OscPage, FilterPage, EnvPage, ModPage };
constexpr int kPageCount = 4;

// What the page tabs need of the editor form.
class IPageButtonForm {
 public:
  virtual ~IPageButtonForm() = default;
  // True while the hidden layer is shown.
  virtual bool HiddenPage() const = 0;
  virtual void ShowPrimaryLayer() = 0;
  virtual void ShowHiddenLayer() = 0;
  virtual XPageButton* PageButton(TPage page) = 0;
  virtual XScrollBox* PageBox(TPage page) = 0;
  // The form's Page and its current page box become these.
  virtual void SetCurrentPage(TPage page, XScrollBox* box) = 0;
};

class XPageButton : public XButton {
 public:
  explicit XPageButton(TComponent* owner) : XButton(owner) {}

  TPage Index = TPage::OscPage;
  IPageButtonForm* EditorForm = nullptr;

  void Click() override;
};

}  // namespace brelix
