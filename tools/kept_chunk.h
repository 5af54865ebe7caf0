// The program chunk the standalone program keeps at quit. Options on the command line (--patch,
// --channel, --voices) change the start of one run only: what the player changes in the window
// is kept, what only the command line changed goes back to what was kept before.
#pragma once

#include <cstdint>
#include <vector>

namespace brelix {

// `before`: the chunk as it would have started without the command line's changes; `started`:
// the instance's chunk right after it started with them; `now`: the instance's chunk at quit.
// The patch (its file and text together), the channel and the voice count are each taken from
// `now` where the run changed them (they differ from `started`) or the command line did not (the
// start equals `before`), and from `before` otherwise. A chunk that does not read keeps `now`.
std::vector<uint8_t> ChunkToKeep(const std::vector<uint8_t>& before, const std::vector<uint8_t>& started,
                                 const std::vector<uint8_t>& now);

}  // namespace brelix
