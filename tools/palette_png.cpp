#include "palette_png.h"

#include <png.h>

#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace brelix {

namespace {

constexpr size_t kPaletteSize = 256;

struct Indexed {
  std::vector<uint8_t> Pixels;   // one index a pixel, row after row
  std::vector<uint8_t> Palette;  // R, G, B of each colour, in the order the pixels first show them
};

// The surface's pixels as palette indices; false when it holds more colours than a palette can.
bool Index(cairo_surface_t* surface, Indexed& out) {
  const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  std::unordered_map<uint32_t, uint8_t> known;
  out.Pixels.reserve(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t pixel;  // 0x00RRGGBB in the machine's byte order
      std::memcpy(&pixel, data + static_cast<size_t>(y) * stride + 4 * static_cast<size_t>(x), sizeof pixel);
      pixel &= 0xFFFFFF;
      auto found = known.find(pixel);
      if (found == known.end()) {
        if (known.size() == kPaletteSize) return false;
        found = known.emplace(pixel, static_cast<uint8_t>(known.size())).first;
        out.Palette.insert(out.Palette.end(), {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
                                               static_cast<uint8_t>(pixel)});
      }
      out.Pixels.push_back(found->second);
    }
  }
  return true;
}

}  // namespace

bool WritePng(cairo_surface_t* surface, const std::filesystem::path& file) {
  cairo_surface_flush(surface);
  Indexed indexed;
  if (!Index(surface, indexed)) return cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(cairo_image_surface_get_width(surface));
  image.height = static_cast<png_uint_32>(cairo_image_surface_get_height(surface));
  image.format = PNG_FORMAT_RGB_COLORMAP;
  image.colormap_entries = static_cast<png_uint_32>(indexed.Palette.size() / 3);
  const bool written = png_image_write_to_file(&image, file.c_str(), 0, indexed.Pixels.data(), 0,
                                               indexed.Palette.data()) != 0;
  png_image_free(&image);
  return written;
}

}  // namespace brelix
