// A spectrogram drawn as a chart a reader can take values from: one pixel a cell, a time axis in
// seconds, a logarithmic frequency axis in Hz and a legend of the colours' levels in dB below the
// loudest cell. Drawn with the editor's canvas and its "Arial" text.
#pragma once

#include <filesystem>

#include "phrase_levels.h"

namespace brelix {

// The colours span this many dB below the picture's loudest cell; anything quieter is the darkest.
inline constexpr double kSpectrogramRangeDb = 72.0;

// False when the file cannot be written.
bool WriteSpectrogramPng(const Spectrogram& spectrogram, const std::filesystem::path& file);

}  // namespace brelix
