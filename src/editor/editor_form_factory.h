// The form every editor builds unless another factory is installed (SetEditorFormFactory): the
// synthesizer's own, TEditorForm with its four pages.
#pragma once

#include <memory>

namespace brelix {

class TInterfaceForm;
class XInterface;

std::unique_ptr<TInterfaceForm> MakeEditorForm(XInterface& editor);

}  // namespace brelix
