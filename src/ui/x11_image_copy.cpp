#include "ui/x11_image_copy.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace brelix::ui {

namespace {

bool StandardMasks(const Visual* v) { return v->red_mask == 0xFF0000 && v->green_mask == 0xFF00 && v->blue_mask == 0xFF; }

constexpr int kHostByteOrder = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;

}  // namespace

unsigned long PixelOfRgb(const Visual* visual, uint32_t rgb) {
  auto channel = [](uint32_t value, unsigned long mask) {
    if (mask == 0) return 0ul;
    const int shift = std::countr_zero(mask);
    const int bits = std::countr_one(mask >> shift);
    return (static_cast<unsigned long>(value) >> (8 - std::min(bits, 8))) << shift;
  };
  return channel((rgb >> 16) & 0xFF, visual->red_mask) | channel((rgb >> 8) & 0xFF, visual->green_mask) |
         channel(rgb & 0xFF, visual->blue_mask);
}

XImageCopy::XImageCopy(Display* display, Window window, Visual* visual, int depth)
    : display_(display), window_(window), visual_(visual), depth_(depth), gc_(XCreateGC(display, window, 0, nullptr)) {}

XImageCopy::~XImageCopy() { XFreeGC(display_, gc_); }

void XImageCopy::Copy(cairo_surface_t* picture, const TRect& area) {
  const int width = cairo_image_surface_get_width(picture), height = cairo_image_surface_get_height(picture);
  const TRect r = area.Intersect({0, 0, width, height});
  if (r.Empty()) return;
  cairo_surface_flush(picture);
  if (CopyDirect(picture, r)) return;

  XImage* image = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(r.Width()), static_cast<unsigned>(r.Height()), 32, 0);
  if (image == nullptr) return;
  image->data = static_cast<char*>(std::malloc(static_cast<size_t>(image->bytes_per_line) * r.Height()));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return;
  }
  const unsigned char* data = cairo_image_surface_get_data(picture);
  const int stride = cairo_image_surface_get_stride(picture);
  for (int y = 0; y < r.Height(); ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + (r.top + y) * stride) + r.left;
    for (int x = 0; x < r.Width(); ++x) XPutPixel(image, x, y, PixelOfRgb(visual_, row[x] & 0xFFFFFF));
  }
  XPutImage(display_, window_, gc_, image, 0, 0, r.left, r.top, static_cast<unsigned>(r.Width()),
            static_cast<unsigned>(r.Height()));
  XDestroyImage(image);
}

bool XImageCopy::CopyDirect(cairo_surface_t* picture, const TRect& r) {
  if ((depth_ != 24 && depth_ != 32) || !StandardMasks(visual_)) return false;
  XImage* image = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0,
                               reinterpret_cast<char*>(cairo_image_surface_get_data(picture)),
                               static_cast<unsigned>(cairo_image_surface_get_width(picture)),
                               static_cast<unsigned>(cairo_image_surface_get_height(picture)), 32,
                               cairo_image_surface_get_stride(picture));
  if (image == nullptr) return false;
  const bool fits = image->bits_per_pixel == 32;
  if (fits) {
    image->byte_order = kHostByteOrder;  // the picture's pixels are words in the host's order
    XPutImage(display_, window_, gc_, image, r.left, r.top, r.left, r.top, static_cast<unsigned>(r.Width()),
              static_cast<unsigned>(r.Height()));
  }
  image->data = nullptr;  // the picture's memory stays Cairo's
  XDestroyImage(image);
  return fits;
}

}  // namespace brelix::ui
