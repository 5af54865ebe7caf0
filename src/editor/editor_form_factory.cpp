#include "editor/editor_form_factory.h"

#include <memory>

#include "editor/editor_form.h"
#include "editor/x_interface.h"

namespace brelix {

std::unique_ptr<TInterfaceForm> MakeEditorForm(XInterface& editor) {
  auto form = std::make_unique<TEditorForm>(&editor);
  form->CreateEditor();
  return form;
}

}  // namespace brelix
