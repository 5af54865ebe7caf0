#include "patch_reference.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "engine/filter.h"
#include "modulation/mod_sources.h"
#include "patch/number_text.h"
#include "patch/patch_file.h"
#include "patch_codes.h"

namespace brelix {

namespace {

// ---- what each key means -------------------------------------------------------------------------

struct KeyText {
  const char* range;    // unit and range: the editor's, and what can be typed where wider
  const char* meaning;
};

// By key name without a stage number. Delay #2's keys (AuxDelay...) take Delay #1's text.
const std::map<std::string, KeyText>& KeyTexts() {
  static const std::map<std::string, KeyText> texts = {
      {"Version", {"text", "Written as 1.0.0; read and not used."}},
      // Oscillators
      {"AuxOscSemitone", {"semitones, -48 .. 48 (typed: -120 .. 120)", "Transposition. Scaled by AuxOscTracking like the note."}},
      {"AuxOscDetune", {"semitones, -1 .. 1", "Fine tuning, added to AuxOscSemitone."}},
      {"AuxOscFixedFreq", {"Hz, 0 .. 12543.854", "0: the oscillator follows the keys. Otherwise it sounds this frequency whatever the note, semitone and detune (hard sync still follows the note)."}},
      {"AuxOscRange", {"Hz, 0 .. 12543.854", "What one unit of pitch modulation does. 0: proportional, +1 doubles the frequency and -1 stops the oscillator; otherwise each unit adds this many Hz."}},
      {"AuxOscCenter", {"MIDI note, 0 .. 127", "The note at which the oscillator sounds that note's own frequency; the pivot of AuxOscTracking. The whole part counts; values outside 0 .. 128 count as the nearest."}},
      {"AuxOscTracking", {"factor, -1 .. 1", "How far the pitch follows the keys: 1 a semitone per key, 0.5 half as far, 0 the same pitch for every key, negative downwards."}},
      {"AuxOscStartPhase", {"switch", "\"FreeRun\": on, the oscillator runs on from note to note (nudged by a tiny random step); off, every note starts it at phase 0."}},
      {"AuxOscPW", {"-1 .. 1", "How far the second of the oscillator's two generators runs ahead of the first, in half cycles. With the weights 1 and -1 the wave is a pulse of width PW / 2 (0.5 gives 25 %, 1 a square)."}},
      {"AuxOscSync", {"factor, 0 .. 2 (typed: 0 .. 8)", "Hard sync: a master at this multiple of the note's pitch restarts both generators at every cycle. 0: no sync."}},
      {"AuxOscLevel", {"0 .. 1 (typed: -8 .. 8)", "Output level."}},
      {"AuxOscSawShape", {"0 .. 0.999 (typed: 0 .. 1)", "A leaky integrator that rounds the wave towards triangle-like shapes (its output level is compensated, down to 0.01 at 1). 0: none."}},
      {"AuxOscSawSigma1", {"-1 .. 1 (typed: -8 .. 8)", "Weight of the first generator in the mix."}},
      {"AuxOscSawSigma2", {"-1 .. 1 (typed: -8 .. 8)", "Weight of the second generator: 0 gives a saw, the first weight's negative a pulse."}},
      {"AuxOscMorph", {"-1 .. 1 (typed: -2 .. 2)", "Self phase modulation that bends the sine towards a saw: 0 a sine, 0.8 a bright saw. It is reduced at high pitches to keep aliasing down."}},
      {"AuxOscDCFilter", {"0 .. 0.001 (typed: 0 .. 0.1)", "Coefficient of the oscillator's DC blocker, meant at the settings' reference rate and scaled to the real one."}},
      {"AuxOscMix", {"-1 .. 1", "\"Balance\": which filter of its pair the oscillator feeds. Oscillators 1 and 2 feed filters 1 and 2, oscillators 3 and 4 feed filters 3 and 4; -1 sends all to the odd filter, 1 all to the even one, 0 half to each."}},
      // Sample oscillators
      {"SampleOscFile", {"file name", "The WAV file the lane plays beside its oscillator, by its full name, or by a name relative to the patch file's folder (looked for there first, then in the working folder); empty: none. Only WAV files with the plain 44-byte header are read (PCM of 8 to 32 bits or float); lanes 1 and 3 take the first channel, lanes 2 and 4 the second. The sample follows its oscillator's frequency and plays at its own rate at the AuxOscCenter note."}},
      {"SampleOscLoop", {"switch", "On: the sample repeats as a whole; off: it plays once."}},
      {"SampleOscLevel", {"0 .. 1 (typed: -8 .. 8)", "Level of the sample, added to the oscillator at the filter input."}},
      {"NoiseMix", {"0 .. 1 (typed: -8 .. 8)", "White noise into filter n."}},
      // Filters
      {"FilterType", {"code 0 .. 8, see Filter types", "The response as the editor names it. The sound follows FilterPole0 .. FilterPole4 alone: a file that changes FilterType must give the weights of the table too (brelix-render --check-patch warns when they disagree)."}},
      {"FilterCutoff", {"Hz, 0 .. 12543.854", "Cutoff at the FilterCenter note. The engine limits cutoffs to a quarter of its audio rate (22.05 kHz at a host rate of 44.1 kHz with Oversample 1)."}},
      {"FilterVelocity", {"-1 .. 1 (typed: -8 .. 8)", "Added to the cutoff modulation at note-on, times the velocity / 127, in units of the filter range (see Cutoff modulation)."}},
      {"FilterRange", {"Hz, 0 .. 12543.854", "What one unit of cutoff modulation (FilterVelocity, matrix destinations \"Filter1Cutoff\" ..) moves the cutoff by: 0 makes it proportional to the tracked cutoff (+1 doubles it, -1 closes the filter); otherwise this many Hz, times the key tracking ratio. The default moves a 500 Hz cutoff by 1254 Hz for a modulation of 0.1: set 0 for musical amounts."}},
      {"FilterCenter", {"MIDI note, 0 .. 127", "The pivot of FilterTracking."}},
      {"FilterTracking", {"factor, -1 .. 1", "How far the cutoff follows the keys: 1 doubles it an octave up, 0 keeps it."}},
      {"FilterReso", {"0 .. 1", "Resonance; from 0.9 the filter oscillates by itself. Below 0 counts as 0."}},
      {"FilterGain", {"0 .. 1 (typed: -8 .. 8)", "Input level into the filter's saturator: drive."}},
      {"FilterQompensate", {"0 .. 1", "Keeps the low end when the resonance is high; 0: off."}},
      {"FilterFeedback", {"factor", "Gain into the saturator (tanh). No control changes it."}},
      {"FilterPostFeed", {"switch", "On: the input passes the saturator and only the resonance feedback is saturated."}},
      {"FilterDeclick", {"switch", "On: a declicking note-on (see Declicker) lets the filter run on instead of restarting it."}},
      {"FilterPole0", {"weight", "Weight of the filter input in the output; see Filter types."}},
      {"FilterPole1", {"weight", "Weight of the first stage's output (6 dB per octave)."}},
      {"FilterPole2", {"weight", "Weight of the second stage's output (12 dB per octave)."}},
      {"FilterPole3", {"weight", "Weight of the third stage's output (18 dB per octave)."}},
      {"FilterPole4", {"weight", "Weight of the fourth stage's output (24 dB per octave)."}},
      {"FilterLevel", {"0 .. 1 (typed: -8 .. 8)", "Output level. By default only filter 1 is heard."}},
      {"FilterPan", {"-1 .. 1", "Position: -1 left, 1 right (a linear law: both sides at half in the middle). Controller 10 adds to it."}},
      // LFOs
      {"LfoShape", {"code 0 .. 24, see LFO shapes", "Waveform. Other codes play a sine."}},
      {"LfoRate", {"Hz, 0 .. 10 (typed: 0 .. 1000); clocked: bars", "Cycles per second; when clocked, the length of a cycle in bars of four beats (0.25: four cycles a bar)."}},
      {"LfoStartPhase", {"switch", "\"FreeLFO\": on, the LFO runs on from note to note; off, every note restarts it."}},
      {"LfoLevel", {"0 .. 1 (typed: -8 .. 8)", "Output level."}},
      {"LfoRandom", {"0 .. 1", "Depth of a random step, drawn once per cycle, added to the output (at most half the depth either way)."}},
      {"LfoOffset", {"-1 .. 1 (typed: -8 .. 8)", "Added to the output."}},
      {"LfoSmooth", {"0 .. 1", "Smoothing of the output; 0: none."}},
      {"LfoFadeIn", {"seconds, 0 .. 10 (typed: 0 .. 100)", "The output grows from 0 to full over this time after each note-on."}},
      {"LfoClocked", {"switch", "On: the rate is in bars and follows the host's tempo (in brelix-render the MIDI file's tempo or --tempo)."}},
      {"LfoQuantize", {"0 .. 8191", "A mask on the waveform position: 8191 is smooth. The editor's \"Quantize\" value n is stored as 8191 - n, and a value of 2^k - 1 there cuts the cycle into 8192 / 2^k steps (4095 there, 4096 stored: two steps)."}},
      {"VoiceLfo", {"switch", "On: every voice has its own LFO phase. Off: all voices read one shared phase (the editor's \"VoiceLFO\" button lit)."}},
      // Envelopes
      {"EnvTime", {"seconds, 0 .. 10 (typed: 0 .. 1000)", "Duration of the stage; negative: the stage holds its start until note-off. At least two control periods (16 samples)."}},
      {"EnvLevel", {"-1 .. 1, envelope 4: 0 .. 1 (typed: -8 .. 8)", "The level the stage moves to."}},
      {"EnvCurve", {"code 0 .. 21, see Envelope curves", "The shape of the stage's move. Other codes are linear."}},
      {"EnvStep", {"stages", "Where the envelope goes when the stage ends, counted from the stage: 1 the next, 0 this one again (a sustain), negative back (a loop). Targets outside stages 0 .. 5 are taken as the nearest."}},
      {"EnvRetrigger", {"switch", "\"Legato\": with one voice, a note played legato does not restart this envelope."}},
      {"EnvDeclick", {"switch", "On: a declicking note-on (see Declicker) starts the attack from the envelope's current value instead of 0."}},
      // Matrices
      {"ModSource", {"code, see Modulation sources", "What the slot reads."}},
      {"ModDest", {"code, see Modulation destinations", "What the slot adds to."}},
      {"ModAmount", {"-1 .. 1 (typed: -8 .. 8)", "The source times this is added to the destination."}},
      {"MidiModSource", {"code, see Modulation sources", "What the slot reads."}},
      {"MidiModDest", {"code, see Modulation destinations", "What the slot adds to."}},
      {"MidiModAmount", {"-1 .. 1 (typed: -8 .. 8)", "The source times this is added to the destination."}},
      // Voice
      {"Oversample", {"0 or 1", "1: the voices run at twice the host's rate and are decimated."}},
      {"Upsample", {"1 .. 32", "Sub-steps of the sample oscillators per audio sample; more is cleaner and slower. Values outside count as the nearest."}},
      {"SampleFilter", {"code 0 .. 3, see Sample filter", "How many anti-alias sections the sample oscillators run."}},
      {"Volume", {"0 .. 1 (typed: -8 .. 8)", "The voice's level (see Voice level)."}},
      {"VolumeModSource", {"code, see Modulation sources", "The source that shapes every voice's level: by default envelope 4."}},
      {"VolumeModAmount", {"-1 .. 1 (typed: -8 .. 8)", "The level source is multiplied by this."}},
      {"VolumeVelocity", {"-1 .. 1 (typed: -8 .. 8)", "Added to Volume at note-on, times the velocity / 127."}},
      {"Declicker", {"code 0 .. 4, see Declicker", "When a note-on continues from the voice's sound instead of restarting it (FilterDeclick, EnvDeclick)."}},
      {"PlayNote", {"-1 .. 127", "The editor's preview note: from 0 on, that note sounds at velocity 127 whenever the patch is loaded, until a note-off for it. -1: none."}},
      {"SustainPedal", {"0 .. 1", "1: while the sustain pedal (controller 64 at 64 or above) is down, a key let go keeps its note sounding until the pedal comes up, and a key struck again ends its held note and starts a new one. With one voice the pedal holds the last note, but a key let go is never returned to. 0: notes end at their note-offs. Files without the key play with 0; a new patch (the editor's \"Init\", the plug-in's start without Brelix.tw) has 1. Any value but 0 counts as 1."}},
      // Delays
      {"DelayWet", {"0 .. 1 (typed: -8 .. 8)", "Delay #1's echo level: at 1 the first echo is half of the delay's input, which the output halves again (see Delay levels). While both delays' wet levels are 0 the delays are off."}},
      {"DelayDry", {"0 .. 1 (typed: -8 .. 8)", "Delay #1's level of its input passed on undelayed, before the output is halved: 1 plays the voices 6 dB below their level without delays, 2 at that level (see Delay levels)."}},
      {"DelayTimeL", {"seconds, 0 .. 1; clocked: bars", "Delay #1's left delay time, at most 1 second; when clocked, in bars of four beats (0.1875: a dotted eighth)."}},
      {"DelayTimeR", {"seconds, 0 .. 1; clocked: bars", "Delay #1's right delay time."}},
      {"DelayFeedbackL", {"0 .. 0.99", "Delay #1's left feedback (above 1 counts as 1)."}},
      {"DelayFeedbackR", {"0 .. 0.99", "Delay #1's right feedback."}},
      {"DelayDamp", {"0 .. 1", "Delay #1's damping: a low-pass in the feedback loop; 0: none."}},
      {"DelayStereoWidth", {"-1 .. 1 (the editor: 0 .. 1)", "Delay #1's echo image: 1 keeps left and right, 0 makes the echo mono, -1 swaps the sides."}},
      {"DelayInput", {"0 .. 1 (typed: -8 .. 8)", "Delay #1's input level: it scales what the delay passes on undelayed as well as its echoes."}},
      {"DelayMix", {"0 .. 1 (typed: -8 .. 8)", "Delay #1's output level: it scales the delay's undelayed signal and its echoes alike."}},
      {"DelayRouting", {"0 .. 1", "\"Serial\": how much of Delay #1's output (its undelayed signal and its echoes) Delay #2 takes in besides its own input (1: in series)."}},
      {"DelayClocked", {"switch", "Delay #1's times are in bars and follow the tempo."}},
      {"DoNotSave", {"integer", "Not 0: the program never writes this file; its saves leave it as it is."}},
  };
  return texts;
}

// ---- the sections ---------------------------------------------------------------------------------

struct FamilyText {
  const char* family;  // the section name without its number
  const char* title;
  const char* intro;
};

const std::vector<FamilyText>& FamilyTexts() {
  static const std::vector<FamilyText> texts = {
      {"Engine", "[Engine]", ""},
      {"AuxOsc.", "[AuxOsc.1] .. [AuxOsc.4]: oscillators",
       "Each oscillator is a sine with self phase modulation run twice (two generators, the second ahead by "
       "AuxOscPW) and mixed with two weights: a saw, a pulse or anything between."},
      {"SampleOsc.", "[SampleOsc.1] .. [SampleOsc.4]: sample oscillators", "One beside each oscillator."},
      {"Noise.", "[Noise.1] .. [Noise.4]: noise", ""},
      {"Filter.", "[Filter.1] .. [Filter.4]: filters",
       "A four-stage ladder with resonance and a saturator; the response is a weighted sum of the input and the "
       "four stage outputs."},
      {"Lfo.", "[Lfo.1] .. [Lfo.4]: LFOs", "Four per voice, run every control period (8 samples)."},
      {"Env.", "[Env.1] .. [Env.4]: envelopes",
       "Six stages each: 0 attack (entered at note-on), 1 decay, 2 sustain, 3 a free stage, 4 release (entered "
       "at note-off), 5 the end, which has no keys. Envelope 4 shapes the voice's level (see VolumeModSource), and "
       "a voice ends when envelope 4 reaches stage 5. The stage keys carry the stage number: EnvTime.0 is the "
       "attack time."},
      {"ModMatrix.", "[ModMatrix.1] .. [ModMatrix.16]: the patch modulation matrix",
       "Sixteen slots, run for every voice every control period (8 samples)."},
      {"MidiModMatrix.", "[MidiModMatrix.1] .. [MidiModMatrix.16]: the MIDI modulation matrix",
       "Sixteen slots, run every 3 milliseconds; the usual place for controllers. The sustain pedal reaches them "
       "too, besides holding notes where SustainPedal is 1."},
      {"Voice", "[Voice]", ""},
      {"Delay", "[Delay]",
       "Two stereo delays after the voices. The keys of Delay #2 begin with Aux and mean what Delay #1's keys "
       "mean."},
      {"Test", "[Test]", ""},
  };
  return texts;
}

// "Filter.3" -> "Filter.", 3; "Voice" -> "Voice", 0.
std::pair<std::string, int> Family(const std::string& section) {
  size_t digits = section.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(section[digits - 1]))) --digits;
  if (digits == section.size() || digits == 0 || section[digits - 1] != '.') return {section, 0};
  return {section.substr(0, digits), std::stoi(section.substr(digits))};
}

// "EnvTime.2" -> "EnvTime", 2; "Volume" -> "Volume", -1.
std::pair<std::string, int> BaseKey(const std::string& key) {
  const size_t dot = key.rfind('.');
  if (dot == std::string::npos) return {key, -1};
  return {key.substr(0, dot), std::stoi(key.substr(dot + 1))};
}

const char* KindName(PatchKeyKind kind) {
  switch (kind) {
    case PatchKeyKind::Float: return "float";
    case PatchKeyKind::Integer: return "integer";
    case PatchKeyKind::Mask: return "switch";
    case PatchKeyKind::Source: return "source";
    case PatchKeyKind::Destination: return "destination";
    case PatchKeyKind::Text: break;
  }
  return "text";
}

// One row of a section table: a key of every numbered section, and its stages.
struct Row {
  std::string base;
  PatchKeyKind kind;
  bool written;
  int stages = 0;  // keys "base.0" .. "base.(stages - 1)"
  std::map<int, std::vector<std::string>> defaults;  // by section number: one per stage
};

std::string Join(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

std::string DefaultText(const Row& row) {
  std::vector<std::string> perSection;
  for (const auto& [number, values] : row.defaults) perSection.push_back(Join(values));
  const bool sameEverywhere = std::all_of(row.defaults.begin(), row.defaults.end(), [&](const auto& entry) {
    return std::all_of(entry.second.begin(), entry.second.end(),
                       [&](const std::string& v) { return v == row.defaults.begin()->second.front(); });
  });
  const std::string& first = row.defaults.begin()->second.front();
  if (sameEverywhere) return first.empty() ? "empty" : first;
  if (std::all_of(perSection.begin(), perSection.end(), [&](const std::string& s) { return s == perSection.front(); }))
    return perSection.front() + " (stages 0 .. " + std::to_string(row.stages - 1) + ")";
  return Join(perSection) + " (sections 1 .. " + std::to_string(perSection.size()) + ")";
}

const KeyText& TextOf(const std::string& base, std::set<std::string>& used, std::string& meaning) {
  const auto& texts = KeyTexts();
  auto found = texts.find(base);
  bool delay2 = false;
  if (found == texts.end() && base.starts_with("AuxDelay")) {
    found = texts.find(base.substr(3));
    delay2 = true;
  }
  if (found == texts.end()) throw std::logic_error("the patch reference has no text for the key " + base);
  used.insert(found->first);
  meaning = found->second.meaning;
  if (delay2) {
    for (size_t at; (at = meaning.find("Delay #1")) != std::string::npos;) meaning.replace(at, 8, "Delay #2");
  }
  return found->second;
}

// The range texts' numbers: "a .. b" pairs (the editor's range, what can be typed, a second
// range of one section); lists of codes have their own check.
std::optional<KeyRange> ParseRange(const std::string& text) {
  if (text.starts_with("code")) return std::nullopt;
  static const std::regex pair("(-?[0-9]+(?:\\.[0-9]+)?) \\.\\. (-?[0-9]+(?:\\.[0-9]+)?)");
  std::optional<KeyRange> range;
  for (auto match = std::sregex_iterator(text.begin(), text.end(), pair); match != std::sregex_iterator(); ++match) {
    const double low = std::stod((*match)[1]), high = std::stod((*match)[2]);
    if (!range) range = KeyRange{low, high};
    range->Lowest = std::min(range->Lowest, low);
    range->Highest = std::max(range->Highest, high);
  }
  return range;
}

void WriteSections(std::ostringstream& out) {
  const std::vector<PatchFileKey> keys = PatchFileKeys();
  std::set<std::string> used;
  for (const FamilyText& family : FamilyTexts()) {
    std::vector<Row> rows;
    for (const PatchFileKey& key : keys) {
      const auto [name, number] = Family(key.Section);
      if (name != family.family) continue;
      const std::pair<std::string, int> baseAndStage = BaseKey(key.Key);
      const std::string& base = baseAndStage.first;
      auto row = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.base == base; });
      if (row == rows.end()) row = rows.insert(rows.end(), Row{base, key.Kind, key.Written, 0, {}});
      row->stages = std::max(row->stages, baseAndStage.second + 1);
      row->defaults[number].push_back(key.Default);
    }
    if (rows.empty()) throw std::logic_error(std::string("the patch reference names a section no patch has: ") + family.family);
    out << "### " << family.title << "\n\n";
    if (*family.intro) out << family.intro << "\n\n";
    out << "| Key | Kind | Default | Unit and range | Meaning |\n|---|---|---|---|---|\n";
    for (const Row& row : rows) {
      std::string meaning;
      const KeyText& text = TextOf(row.base, used, meaning);
      const std::string key = row.stages > 0 ? row.base + ".0 .. " + row.base + "." + std::to_string(row.stages - 1) : row.base;
      out << "| `" << key << "` | " << KindName(row.kind) << " | " << DefaultText(row) << " | " << text.range << " | "
          << meaning << (row.written ? "" : " Read, never written.") << " |\n";
    }
    out << "\n";
  }
  for (const auto& [base, text] : KeyTexts())
    if (!used.contains(base)) throw std::logic_error("the patch reference describes a key no patch has: " + base);
  std::set<std::string> families;
  for (const FamilyText& f : FamilyTexts()) families.insert(f.family);
  for (const PatchFileKey& key : keys)
    if (!families.contains(Family(key.Section).first))
      throw std::logic_error("the patch reference has no section for " + key.Section);
}

// ---- the codes ------------------------------------------------------------------------------------

std::string SourceMeaning(int32_t code) {
  if (code == 0 || code == 28) return "0";
  if (code <= 4) return "the LFO's output";
  if (code <= 8) return "the envelope's output";
  if (code <= 12) return "the LFO's output times the mod wheel (0 .. 1)";
  if (code <= 16) return "the LFO's output times the channel pressure (0 .. 1)";
  if (code <= 20) return "the envelope's output times the mod wheel";
  if (code <= 24) return "the envelope's output times the channel pressure";
  if (code == 25) return "the note / 128 (0 .. 0.99)";
  if (code == 26) return "the note / 64 - 1 (-1 .. 0.98, 0 at note 64)";
  if (code == 27) return "the note's frequency / 12543.85 Hz (1 at note 127)";
  if (code == 29) return "the note-on velocity / 127";
  if (code == 30) return "the note-off velocity / 127";
  return "what that slot of the patch matrix adds; a slot in the same or a later row is read as it was in the previous period";
}

// Destinations come in groups of one per lane, in the order of the destination list.
std::string DestinationMeaning(int32_t code) {
  struct Group {
    int32_t last;
    const char* meaning;
  };
  static const Group groups[] = {
      {0, "nothing; a slot that only feeds other slots (source \"ModMatrix\" n) needs \"Void\""},
      {4, "the oscillator's pitch, in units of AuxOscRange (0: +1 doubles the frequency)"},
      {8, "added to AuxOscLevel"},
      {12, "added to AuxOscMix"},
      {16, "the filter's cutoff, in units of FilterRange (0: +1 doubles the cutoff)"},
      {20, "added to FilterReso"},
      {24, "added to FilterGain"},
      {28, "added to FilterQompensate"},
      {32, "added to FilterLevel"},
      {36, "added to FilterPan"},
      {40, "added to NoiseMix of that filter"},
      {44, "the LFO's speed: 1 adds 1000 cycles a second"},
      {48, "the envelope's speed: 1 adds 1000 stages a second"},
      {52, "added to AuxOscPW"},
      {56, "added to AuxOscSync"},
      {60, "added to AuxOscMorph"},
      {64, "added to AuxOscSawShape"},
      {68, "added to AuxOscSawSigma1"},
      {72, "added to AuxOscSawSigma2"},
      {73, "the pitch of all four oscillators, linear in frequency: 1 doubles it; 0.12246 bends 2 semitones up "
           "and, negated, 2.26 down"},
      {74, "added to Volume"},
      {78, "added to SampleOscLevel"},
  };
  for (const Group& group : groups)
    if (code <= group.last) return group.meaning;
  return "nothing";
}

void WriteCodes(std::ostringstream& out) {
  out << "### Modulation sources\n\n"
         "Codes of ModSource, MidiModSource and VolumeModSource. The editor lists the controller sources as "
         "numbers 48 .. 177 and stores 47 minus that number.\n\n"
         "| Code | Name | Value |\n|---|---|---|\n";
  for (int32_t code = 0; code < kModSourceConstantOld; ++code)
    out << "| " << code << " | \"" << ModSourceName(code) << "\" | " << SourceMeaning(code) << " |\n";
  out << "| " << kModSourceConstant << " (" << kModSourceConstantOld << " in older files) | \"" << ModSourceName(kModSourceConstant)
      << "\" | 1 |\n";
  out << "| -1 .. -128 | \"" << ModSourceName(-1) << "\" .. \"" << ModSourceName(-128) << "\" (code -2 is \"" << ModSourceName(-2)
      << "\") | controller (-code - 1) / 127: 0 .. 1; controller 10 (pan) -1 .. 0.98; controller 7 starts at 1 |\n";
  out << "| -129 | \"" << ModSourceName(-129) << "\" | -1 .. 0.9999, 0 at the centre |\n";
  out << "| -130 | \"" << ModSourceName(-130) << "\" | channel pressure / 127 |\n";
  out << "| any other | | 0 |\n\n";

  out << "### Modulation destinations\n\nCodes of ModDest and MidiModDest.\n\n| Code | Name | What the slot adds to |\n|---|---|---|\n";
  for (int32_t code = 0; code < kModDestVoidOld; ++code)
    out << "| " << code << " | \"" << ModDestName(code) << "\" | " << DestinationMeaning(code) << " |\n";
  out << "| " << kModDestVoid << " (" << kModDestVoidOld << " in older files) | \"" << ModDestName(kModDestVoid)
      << "\" | nothing, but the slot is run (a slot whose value another slot reads) |\n";
  out << "| any other | | nothing |\n\n";

  out << "### Filter types\n\nFilterType and the weights the editor writes with it; any other code names \"Bypass\".\n\n"
         "| Code | Name | FilterPole0 | FilterPole1 | FilterPole2 | FilterPole3 | FilterPole4 |\n|---|---|---|---|---|---|---|\n";
  for (uint32_t type = 0; type < FilterTypes().Names.size(); ++type) {
    float w[5];
    FilterTypeWeights(type, w[0], w[1], w[2], w[3], w[4]);
    out << "| " << type << " | \"" << FilterTypes().Names[type] << "\"";
    for (float weight : w) out << " | " << FloatToText(weight);
    out << " |\n";
  }
  out << "\n";

  const auto list = [&](const char* title, const char* intro, const CodeList& codes,
                        const std::function<std::string(size_t)>& meaning) {
    out << "### " << title << "\n\n" << intro << "\n\n| Code | Name | |\n|---|---|---|\n";
    for (size_t code = 0; code < codes.Names.size(); ++code)
      out << "| " << code << " | \"" << codes.Names[code] << "\" | " << meaning(code) << " |\n";
    out << "\n";
  };
  const auto curve = [](size_t position) -> std::string {
    if (position == 0) return "straight";
    if (position <= 10) return "fast at first, then slower (more so as the number grows)";
    if (position <= 20) return "slow at first, then faster";
    return "tanh: fast at first, ending at 99.93 % of the way";
  };
  list("Envelope curves", "EnvCurve.0 .. EnvCurve.4.", EnvelopeCurves(), curve);
  list("LFO shapes", "LfoShape. The curve shapes run from 0 to 1 (unipolar), the first four from -1 to 1.", LfoShapes(),
       [&](size_t code) { return code < 4 ? std::string("-1 .. 1") : curve(code - 3); });
  list("Envelope stages", "The stages EnvStep counts between.", EnvelopeStages(), [](size_t stage) -> std::string {
    static const char* const roles[] = {"attack, entered at note-on", "decay", "sustain", "a free stage",
                                        "release, entered at note-off", "the end: the envelope holds, envelope 4 ends the voice"};
    return roles[stage];
  });
  list("Declicker", "Declicker: which note-ons continue the voice's sound (FilterDeclick, EnvDeclick) instead of restarting it; codes above 4 are \"Always\".",
       DeclickerModes(), [](size_t mode) -> std::string {
         static const char* const when[] = {"never", "when the voice is still held or releasing", "when the voice is still held",
                                            "when the voice is releasing", "always"};
         return when[mode];
       });
  list("Sample filter", "SampleFilter.", SampleFilters(),
       [](size_t sections) { return std::to_string(sections + 1) + " section(s) of a 4th-order low-pass at 20 kHz"; });
}

}  // namespace

std::string PatchReferenceMarkdown() {
  std::ostringstream out;
  out << "# Patch file reference\n\n"
         "<!-- Generated by brelix-patch-reference from the plug-in's own key list; a test keeps it in step. -->\n\n"
         "A patch is a text file (`*.tw`) of sections and `key=value` lines, one section per oscillator, filter, "
         "LFO, envelope and modulation slot, plus `[Voice]`, `[Delay]` and `[Engine]`. Names of sections and keys "
         "are matched without regard to letter case; lines starting with `;` are comments; the program writes CR LF "
         "line ends and reads any. A key that is missing keeps its default below; sections and keys the plug-in does "
         "not know are ignored and kept when it saves the file. Only the first of two equal keys in a section counts. "
         "The MIDI channel and the number of voices are no part of a patch: a host keeps them in its project "
         "(brelix-render: --channel, --voices).\n\n"
         "Numbers use `.` as the decimal separator, without grouping, in fixed or scientific notation (`2200`, "
         "`2.2E3`). Integers are decimal, or hexadecimal after `$` or `0x`. A switch is 0 (off) or -1 (on); any "
         "value but 0 reads as on. A value that is not a number (`2200 Hz`, `60 ; low`, nothing) is read as 0: "
         "`brelix-render --check-patch FILE` lists every such key with its line, every line, key and section the "
         "plug-in would ignore (a line without `=` among them), and every value outside the ranges below.\n\n"
         "Ranges are the editor's: the slider's range, and in parentheses the wider range that can be typed. The "
         "plug-in takes values beyond them from a file too, except where a key says otherwise.\n\n"
         "## How values meet\n\n"
         "Cutoff modulation. A filter's cutoff at a note is FilterCutoff times its key tracking ratio "
         "2^((note - FilterCenter) x FilterTracking / 12). Velocity (FilterVelocity x velocity / 127) and every "
         "matrix slot aimed at the filter's cutoff add up to a modulation m, and the cutoff becomes cutoff + "
         "range x m, where range is the tracked cutoff itself when FilterRange is 0 (so m = 1 doubles the cutoff "
         "and m = -1 closes the filter), and FilterRange times the tracking ratio otherwise. With the default "
         "FilterRange of 12543.85 Hz a velocity amount of 1 moves every cutoff by up to 12.5 kHz: a patch that "
         "wants musical amounts sets FilterRange to 0.\n\n"
         "Pitch modulation is linear in frequency: a modulation p multiplies the frequency by 1 + p (when "
         "AuxOscRange is 0). Pitch bend through the MIDI matrix with an amount of 0.12246 bends 2 semitones up and, "
         "since 1 - 0.12246 is 2.26 semitones below 1, 2.26 semitones down.\n\n"
         "Voice level. Each voice's output is multiplied by (Volume + VolumeVelocity x velocity / 127 + the "
         "\"Volume\" destination) x controller 7 (channel volume, 1 until a controller 7 message comes) x the "
         "VolumeModSource value (envelope 4) x VolumeModAmount. All sixteen voices add up, so a patch that has "
         "to stay below full scale with many notes keeps its single notes well below it.\n\n"
         "Controllers. Few controllers act by themselves: 120 and 123 (all sound off, all notes off) stop every "
         "voice at once and reset the controllers, 7 (channel volume) scales every voice, 10 (pan) adds to "
         "FilterPan, and 64 (the sustain pedal) holds notes in a patch whose SustainPedal is 1. The mod wheel, "
         "pitch bend, pressure and every other controller do nothing until a slot of the MIDI matrix (or a "
         "\"*MW\" or \"*Pressure\" source) uses them; the pedal reaches the slots as well. Loading a patch "
         "resets every controller: the pedal counts as up until it moves again.\n\n"
         "Delay levels. While a delay is on (a wet level above 0) the output is half the sum of the two delays' "
         "outputs, and each delay's output is DelayMix x (DelayDry x its input + DelayWet x echo / 2), its input "
         "being the voices x DelayInput (Delay #2 adds Delay #1's output x DelayRouting). Measured with the "
         "defaults (DelayDry 1, AuxDelayDry 0, feedback 0): switching Delay #1 on takes the voices down by 6 dB "
         "(to 0.5), and DelayWet=1 gives a first echo at a quarter of their level (-12 dB), 6 dB below the "
         "undelayed signal; DelayWet=0.5 gives an eighth. Each later echo is the one before times the feedback "
         "(0.5: 6 dB down each time). To keep the undelayed level, set DelayDry to 2 or AuxDelayDry to 1. "
         "DelayWet=1 with AuxDelayWet=1 doubles the first echo (to half the voices' level).\n\n"
         "## Sections and keys\n\n";
  WriteSections(out);
  out << "## Codes\n\n";
  WriteCodes(out);
  return out.str();
}

std::optional<KeyRange> ReferenceRange(const std::string& key) {
  const std::string base = BaseKey(key).first;
  const auto& texts = KeyTexts();
  auto found = texts.find(base);
  if (found == texts.end() && base.starts_with("AuxDelay")) found = texts.find(base.substr(3));
  if (found == texts.end()) return std::nullopt;
  return ParseRange(found->second.range);
}

}  // namespace brelix
