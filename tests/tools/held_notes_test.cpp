// Notes a song leaves held are released at its end, and only those.
#include <gtest/gtest.h>

#include <vector>

#include "held_notes.h"

namespace brelix {
namespace {

TEST(HeldNotes, NotesWithoutTheirNoteOffAreReleasedAtTheSongsEnd) {
  MidiSong song;
  song.EndSeconds = 4.0;
  song.Events = {
      {0.0, {0x90, 60, 100}},   // held to the end
      {0.0, {0x90, 64, 100}},   // ended by a note-off
      {0.5, {0x80, 64, 0}},
      {0.5, {0x93, 67, 100}},   // channel 4: ended by a note-on with velocity 0
      {1.0, {0x93, 67, 0}},
      {1.0, {0x91, 48, 90}},    // channel 2: struck twice, held
      {1.5, {0x91, 48, 90}},
      {1.0, {0x92, 50, 90}},    // channel 3: ended by all-notes-off
      {2.0, {0xB2, 123, 0}},
      {2.0, {0x95, 70, 90}},    // channel 6: ended by all-sound-off
      {2.5, {0xB5, 120, 0}},
      {3.0, {0xB0, 64, 127}},   // a pedal is a controller like any other: it holds nothing
  };
  const size_t before = song.Events.size();
  ReleaseHeldNotes(song);
  const std::vector<TimedMidiEvent> added(song.Events.begin() + static_cast<long>(before), song.Events.end());
  ASSERT_EQ(added.size(), 2u);
  EXPECT_EQ(added[0].Seconds, 4.0);
  EXPECT_EQ(added[0].Message, (MidiMessage{0x80, 60, 0}));
  EXPECT_EQ(added[1].Seconds, 4.0);
  EXPECT_EQ(added[1].Message, (MidiMessage{0x81, 48, 0}));
  ReleaseHeldNotes(song);  // nothing is held any more
  EXPECT_EQ(song.Events.size(), before + 2);
}

}  // namespace
}  // namespace brelix
