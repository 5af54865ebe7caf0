// XRandomEdit: a bound edit of the randomiser layer (a lower or upper bound of a control's
// range). The layer is never shown; the edit behaves as an XEdit.
#pragma once

#include "editor/x_edit.h"

namespace brelix {

class TForm;
class XLabel;

class XRandomEdit : public XEdit {
 public:
  explicit XRandomEdit(TComponent* owner) : XEdit(owner) {}

  bool High = false;  // the upper bound (else the lower)
  double ExtMin = 0, ExtMax = 1;
  TForm* InterfaceForm = nullptr;
  TForm* ParentForm = nullptr;
  XLabel* RandomLabel = nullptr;
};

}  // namespace brelix
