// Copies parts of a picture in memory (a Cairo image, 0xAARRGGBB pixels) into a window with
// XPutImage: straight from the picture's memory when the window's visual keeps 8-bit red, green
// and blue in 32-bit pixels (nearly every display), pixel by pixel for any other true-colour
// visual. Unlike a Cairo surface on the window, nothing of it stays tied to the connection.
#pragma once

#include <X11/Xlib.h>
#include <cairo.h>

#include <cstdint>

#include "ui/geometry.h"

namespace brelix::ui {

// The visual's pixel value for a colour 0x00RRGGBB (true-colour visuals).
unsigned long PixelOfRgb(const Visual* visual, uint32_t rgb);

class XImageCopy {
 public:
  XImageCopy(Display* display, Window window, Visual* visual, int depth);
  ~XImageCopy();
  XImageCopy(const XImageCopy&) = delete;
  XImageCopy& operator=(const XImageCopy&) = delete;

  void Copy(cairo_surface_t* picture, const TRect& area);

 private:
  bool CopyDirect(cairo_surface_t* picture, const TRect& area);

  Display* display_;
  Window window_;
  Visual* visual_;
  int depth_;
  GC gc_;
};

}  // namespace brelix::ui
