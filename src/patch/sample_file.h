// Loading a WAV file into one sample oscillator lane of a patch, and the lane's playback values.
//
// Sample memory lives outside the engine memory, owned by the patch: a lane keeps its block
// until its next SampleLoad, PatchDefaults or the end of the voice manager. Loading frees and
// replaces memory the audio thread reads, so it runs only on the user-interface thread inside
// the synthesizer's update bracket (BeginProcessUpdate/EndProcessUpdate), or during
// construction before any rendering.
#pragma once

#include <string>
#include <string_view>

#include "engine/patch.h"
#include "engine/sample_osc.h"  // SampleRateUpdate

namespace brelix {

// Loads lane `lane` (1..4) from the file named in its SampleOscFile: releases the lane's previous
// sample, reads the file's channel for the lane (lanes 1 and 3 the first, lanes 2 and 4 the
// second when the file has one), sets SampleOscPtr, SampleOscSize and SampleOscRate and the
// playback values; a file that does not exist shows ShowMissingSample, one that cannot be read
// ShowInvalidSample; either leaves the lane empty.
// An empty name leaves the lane empty without a message. Last, the routine slots follow the four
// lanes: the sample oscillator while any lane holds a sample, NoOperation otherwise. A relative
// name is looked up beside `patch_file` first (patch/sample_name.h).
void SampleLoad(XPatch& p, int lane, const std::string& patch_file = {});

// The message for a sample file that does not exist: where it was looked for, and the name the
// patch gives when that differs ("Sample file not found: /a/samples/x.wav (named ../samples/x.wav
// in the patch)").
void ShowMissingSample(const std::string& sample, const std::string& patch_file);

// The modal message for a rejected sample file.
void ShowInvalidSample(std::string_view file_name);
// The modal message for a sample file longer than a lane, or the patch, may take.
void ShowSampleTooLong(std::string_view file_name);

}  // namespace brelix
