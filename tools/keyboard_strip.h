// The keyboard strip below the editor in the standalone program's window: two and a half
// octaves of piano keys played with the mouse (the lower on a key, the louder), octave buttons
// at both ends, a status line under it, and the computer keyboard's two piano rows.
#pragma once

#include <X11/X.h>
#include <cairo.h>

#include <optional>
#include <set>
#include <string>

namespace brelix {

class KeyboardStrip {
 public:
  static constexpr int kNotes = 31;  // C to the F two and a half octaves above
  static constexpr int kHeight = 96;
  static constexpr int kStatusHeight = 20;
  static constexpr int kButtonWidth = 28;
  static constexpr int kLowestBase = 0, kHighestBase = 96;

  explicit KeyboardStrip(int width) : width_(width) {}
  void SetWidth(int width) { width_ = width; }
  int Width() const { return width_; }

  int Base() const { return base_; }
  // Puts the lowest key at `base` when it is a C within the range; false otherwise.
  bool SetBase(int base);
  // Moves the strip an octave down (-1) or up (+1) within the MIDI range; false at its end.
  bool ShiftOctave(int direction);

  struct Hit {
    enum class Kind { Key, OctaveDown, OctaveUp } What;
    int Note = 0;
    int Velocity = 0;
  };
  // What a click at (x, y) of the strip's keys meets; none outside them.
  std::optional<Hit> At(int x, int y) const;

  // The semitone above the lowest key that a computer key plays (the lower piano row from Z, the
  // upper one from Q an octave higher), or none.
  static std::optional<int> PianoKeyOffset(KeySym key);

  // The keys and buttons, with the sounding notes pressed, then the status line.
  void Draw(cairo_t* cairo, const std::set<int>& sounding, const std::string& status) const;

 private:
  static bool IsBlack(int note);
  // The white key index of a note of the strip (the white key left of a black one).
  int WhiteIndex(int offset) const;
  double WhiteWidth() const;
  bool KeyContains(int offset, double x, double y) const;

  int width_;
  int base_ = 48;  // C3
};

}  // namespace brelix
