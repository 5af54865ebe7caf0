// AEffEditor: the editor base class. The host embeds the editor into a window of its own; the
// base keeps that parent window while open and answers every other request with "not handled".
#pragma once

#include <cstdint>

#include "plugin/vst24.h"

namespace brelix {

class AudioEffect;

class AEffEditor {
 public:
  explicit AEffEditor(AudioEffect* effect) : FEffect(effect) {}
  // The destructor's vtable entries come before the first operation.
  virtual ~AEffEditor() = default;
  AEffEditor(const AEffEditor&) = delete;
  AEffEditor& operator=(const AEffEditor&) = delete;

  // Operations in the order of the editor's slot table.
  virtual bool GetRect(ERect** rect);  // writes none
  virtual bool Open(void* window);     // keeps the parent window
  virtual void Close();
  virtual bool IsOpen();
  virtual void Idle() {}
  virtual bool OnKeyDown(VstKeyCode& key);
  virtual bool OnKeyUp(VstKeyCode& key);
  virtual bool SetKnobMode(int32_t mode);
  virtual bool OnWheel(float distance);

  AudioEffect* Effect() const { return FEffect; }

 protected:
  AudioEffect* FEffect;
  void* SystemWindow = nullptr;  // the host's parent window while open
};

}  // namespace brelix
