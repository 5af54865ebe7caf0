// What the widgets need of the parameter control they belong to. A slider control implements
// ISliderControl for its bar and its edit box, a list control IListControl for its list widget;
// a widget without a control (none set) only shows what it is given.
#pragma once

#include <cstdint>

namespace brelix {

class ISliderControl {
 public:
  virtual ~ISliderControl() = default;
  // The control's value.
  virtual float ControlValue() const = 0;
  // Pushes the value onto the undo stack (unless it is already on top).
  virtual void AddUndo() = 0;
  // The control's full edit path: take the value, write the patch, tell the engine and host.
  virtual void UpdateValue(float value) = 0;
  // A left-button drag on the bar begins: the control remembers its value as OldValue.
  virtual void BeginDrag() = 0;
  // The bar's knob moved to `position` (bar units, in the normal or, with `extended`, the
  // extended range): the control takes the value at that position.
  virtual void DragTo(float position, bool extended) = 0;
  // The drag ended: OldValue goes onto the undo stack if the value changed.
  virtual void EndDrag() = 0;
  // Wheel notches over the bar (positive: turned away from the user, up): each moves the value
  // by a hundredth of the normal range (`fine`: a thousandth), by whole steps for whole-number
  // values, through the drag's edit path.
  virtual void Notch(int notches, bool fine) = 0;
};

class IListControl {
 public:
  virtual ~IListControl() = default;
  // The number of the chosen item.
  virtual uint32_t ControlValue() const = 0;
  virtual void AddUndo() = 0;
  virtual void UpdateValue(uint32_t value) = 0;
};

}  // namespace brelix
