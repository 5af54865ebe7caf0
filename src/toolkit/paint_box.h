// A paint box: a widget that draws itself and takes the mouse but never the keyboard focus. The
// widget set's buttons, labels, list widgets and slider bars are paint boxes; OnPaint lets a
// creator draw one without a class of its own.
#pragma once

#include <functional>

#include "toolkit/widget.h"

namespace brelix {

class TPaintBox : public TWidget {
 public:
  explicit TPaintBox(TComponent* owner) : TWidget(owner) {}

  std::function<void(TCanvas&)> OnPaint;

  void Paint(TCanvas& canvas) override {
    if (OnPaint) OnPaint(canvas);
  }
};

}  // namespace brelix
