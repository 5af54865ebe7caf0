// A drawn picture written as a PNG with a colour palette (one byte a pixel): a picture of few
// colours, such as a chart, takes a fraction of the room of its RGB form, with every pixel the same.
#pragma once

#include <cairo.h>

#include <filesystem>

namespace brelix {

// Writes the RGB24 image surface with a palette when it has at most 256 colours, as RGB
// otherwise. False when the file cannot be written.
bool WritePng(cairo_surface_t* surface, const std::filesystem::path& file);

}  // namespace brelix
