#include "plugin/aeff_editor.h"

namespace brelix {

bool AEffEditor::GetRect(ERect** rect) {
  if (rect != nullptr) *rect = nullptr;
  return false;
}

bool AEffEditor::Open(void* window) {
  SystemWindow = window;
  return false;
}

void AEffEditor::Close() { SystemWindow = nullptr; }

bool AEffEditor::IsOpen() { return SystemWindow != nullptr; }

bool AEffEditor::OnKeyDown(VstKeyCode&) { return false; }
bool AEffEditor::OnKeyUp(VstKeyCode&) { return false; }
bool AEffEditor::SetKnobMode(int32_t) { return false; }
bool AEffEditor::OnWheel(float) { return false; }

}  // namespace brelix
