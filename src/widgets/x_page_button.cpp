#include "widgets/x_page_button.h"

#include "toolkit/form.h"
#include "widgets/x_scroll_box.h"

namespace brelix {

void XPageButton::Click() {
  if (EditorForm == nullptr) {
    XButton::Click();
    return;
  }
  IPageButtonForm& form = *EditorForm;
  if (Down) {
    if (form.HiddenPage())
      form.ShowPrimaryLayer();
    else
      form.ShowHiddenLayer();
    return;
  }
  XButton::Click();
  for (int i = 0; i < kPageCount; ++i) {
    const TPage page = static_cast<TPage>(i);
    if (page == Index) continue;
    if (XPageButton* other = form.PageButton(page)) {
      other->Down = false;
      other->Repaint();
    }
    if (XScrollBox* box = form.PageBox(page)) box->Hide();
  }
  XScrollBox* box = form.PageBox(Index);
  form.SetCurrentPage(Index, box);
  if (box != nullptr) {
    box->Show();
    if (TForm* window = box->Form()) window->SetActiveControl(box);
  }
}

}  // namespace brelix
