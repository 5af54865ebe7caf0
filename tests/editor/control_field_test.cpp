// The controls' side of the patch record: value kinds and their rounding, masks, the checked
// access to a field by its byte position, and how sliders, lists and switches read and write.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>

#include "editor/control_field.h"
#include "widgets/param_kind.h"
#include "editor/patch_field.h"
#include "editor/rate_scaled_param.h"
#include "engine/rates.h"

namespace brelix {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The position of lane `lane` (0..3) of a vector field.
int32_t LanePosition(size_t fieldOffset, int lane) {
  return static_cast<int32_t>(fieldOffset) + 4 * lane;
}

class PatchFixture : public ::testing::Test {
 protected:
  std::unique_ptr<XPatch> patch = std::make_unique<XPatch>();
  XPatch& p = *patch;
};

TEST(ParamKind, RoundsHalvesToTheEvenNeighbour) {
  struct Case {
    float in, out;
  };
  const Case cases[] = {{2.5f, 2}, {3.5f, 4},  {-2.5f, -2}, {-3.5f, -4}, {0.5f, 0}, {-0.5f, -0.0f},
                        {1.5f, 2}, {2.4f, 2},  {2.6f, 3},   {-2.6f, -3}, {7.0f, 7}, {8388607.5f, 8388608}};
  for (const Case& c : cases) {
    EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
    EXPECT_EQ(RoundHalfEven(static_cast<double>(c.in)), c.out) << c.in;
    EXPECT_EQ(KindValue(TParamKind::SingleInteger, c.in), c.out) << c.in;
    EXPECT_EQ(KindValue(TParamKind::IntegerInteger, c.in), c.out) << c.in;
    EXPECT_EQ(KindValue(TParamKind::SingleSingle, c.in), c.in) << c.in;
  }
  EXPECT_TRUE(std::isnan(RoundHalfEven(kNaN)));
  EXPECT_EQ(RoundHalfEven(-kInf), -kInf);
}

TEST(ParamKind, TruncationHoldsAtTheIntegerLimits) {
  EXPECT_EQ(TruncateToInt32(2.9f), 2);
  EXPECT_EQ(TruncateToInt32(-2.9f), -2);
  EXPECT_EQ(TruncateToInt32(1e10f), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TruncateToInt32(-1e10f), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TruncateToInt32(kInf), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TruncateToInt32(kNaN), 0);
  EXPECT_EQ(TruncateToInt32(-2147483648.0f), std::numeric_limits<int32_t>::min());
}

TEST(ParamKind, MasksKeepAndSetBits) {
  EXPECT_EQ(MaskedReadValue(-1, 0), -1.0f);
  EXPECT_EQ(MaskedReadValue(0x1234, 0xFF), 0x34);
  EXPECT_EQ(MaskedReadValue(-1, 0xFF), 255.0f);  // the kept bits, not a sign
  EXPECT_EQ(MaskedWriteWord(3.0f, 0), 3);
  EXPECT_EQ(MaskedWriteWord(3.0f, 0x100), 0x103);
  EXPECT_EQ(MaskedWriteWord(-1.0f, 0x100), -1);
}

TEST_F(PatchFixture, FieldPositionsAreCheckedAgainstTheRecord) {
  const auto cutoff = static_cast<int32_t>(offsetof(XPatch, FilterCutoff));
  EXPECT_TRUE(IsControlField(cutoff));
  EXPECT_TRUE(IsControlField(static_cast<int32_t>(offsetof(XPatch, DelayMix))));
  EXPECT_EQ(PatchFieldPosition(p, &p.Volume), static_cast<int32_t>(offsetof(XPatch, Volume)));
  EXPECT_EQ(PatchFieldPosition(p, nullptr), kNoPatchField);
  EXPECT_EQ(PatchFieldPosition(p, &p + 1), kNoPatchField);

  const int32_t refused[] = {
      kNoPatchField,
      -4,
      cutoff + 2,                                                     // not on a 4-byte boundary
      static_cast<int32_t>(kPatchEngineTail),                         // the engine-owned tail
      static_cast<int32_t>(kPatchEngineTail) - 2,                     // straddles into it
      static_cast<int32_t>(sizeof(XPatch)),                           // beyond the record
      std::numeric_limits<int32_t>::max() - 3,
      LanePosition(offsetof(XPatch, LfoTable), 2),                    // an engine table offset
      LanePosition(offsetof(XPatch, SampleOscPtr), 1),                // an address
      static_cast<int32_t>(offsetof(XPatch, FX1Ptr)) + 4,             // the high half of one
      static_cast<int32_t>(offsetof(XPatch, SampleProcess)),          // a routine
  };
  p.Volume = 0.5f;
  for (int32_t position : refused) {
    EXPECT_FALSE(IsControlField(position)) << position;
    EXPECT_FALSE(ReadPatchSingle(p, position)) << position;
    EXPECT_FALSE(WritePatchSingle(p, position, 1.0f)) << position;
    EXPECT_FALSE(WritePatchWord(p, position, 1)) << position;
  }
  EXPECT_EQ(p.LfoTable.lane(2), 0u);
  EXPECT_EQ(p.FX1Ptr, nullptr);
}

TEST_F(PatchFixture, FieldsAreReadAndWrittenByPositionAndLane) {
  const int32_t lane3 = LanePosition(offsetof(XPatch, FilterCutoff), 2);
  EXPECT_EQ(PatchFieldLane(lane3), 3);
  EXPECT_EQ(PatchFieldLane(LanePosition(offsetof(XPatch, EnvTime[2]), 0)), 1);
  EXPECT_TRUE(WritePatchSingle(p, lane3, 440.0f));
  EXPECT_EQ(p.FilterCutoff.lane(2), 440.0f);
  EXPECT_EQ(p.FilterCutoff.lane(1), 0.0f);
  EXPECT_EQ(ReadPatchSingle(p, lane3), 440.0f);
  // a single that is not finite never reaches the patch
  for (float bad : {kNaN, kInf, -kInf}) EXPECT_FALSE(WritePatchSingle(p, lane3, bad));
  EXPECT_EQ(p.FilterCutoff.lane(2), 440.0f);
}

TEST_F(PatchFixture, SliderFieldsByKind) {
  // SingleInteger: a float field of whole numbers
  TSliderField semitone{LanePosition(offsetof(XPatch, AuxOscSemitone), 0), TParamKind::SingleInteger};
  EXPECT_TRUE(WriteSliderField(p, semitone, KindValue(semitone.Kind, 2.5f)));
  EXPECT_EQ(p.AuxOscSemitone.lane(0), 2.0f);
  EXPECT_TRUE(WriteSliderField(p, semitone, KindValue(semitone.Kind, 3.5f)));
  EXPECT_EQ(p.AuxOscSemitone.lane(0), 4.0f);

  // IntegerInteger -1..127: the field gets a 32-bit integer
  TSliderField playNote{static_cast<int32_t>(offsetof(XPatch, PlayNote)), TParamKind::IntegerInteger};
  EXPECT_TRUE(WriteSliderField(p, playNote, 127.0f));
  EXPECT_EQ(p.PlayNote, 127);
  EXPECT_TRUE(WriteSliderField(p, playNote, -1.0f));
  EXPECT_EQ(p.PlayNote, -1);
  EXPECT_EQ(ReadSliderField(p, playNote).Value, -1.0f);
  // the masks: kept bits on reading, set bits on writing
  playNote.GetMask = 0x7F;
  playNote.SetMask = 0x100;
  EXPECT_EQ(ReadSliderField(p, playNote).Value, 127.0f);
  EXPECT_EQ(ReadSliderField(p, playNote).KnobValue, -1.0f);
  EXPECT_TRUE(WriteSliderField(p, playNote, 5.0f));
  EXPECT_EQ(p.PlayNote, 0x105);
  // nothing that is not a number, on either kind
  EXPECT_FALSE(WriteSliderField(p, playNote, kNaN));
  EXPECT_FALSE(WriteSliderField(p, semitone, kInf));
  EXPECT_EQ(p.PlayNote, 0x105);
  EXPECT_EQ(p.AuxOscSemitone.lane(0), 4.0f);

  // no field: reads 0 and writes nothing
  const TSliderField none{};
  p.Volume = 0.25f;
  EXPECT_EQ(ReadSliderField(p, none).Value, 0.0f);
  EXPECT_FALSE(WriteSliderField(p, none, 1.0f));
}

TEST_F(PatchFixture, SliderWritesTheRateScaledCopy) {
  const float savedRate = SampleRate, savedBase = OversampleBase, savedReal = RealSampleBase;
  SampleRate = 48000.0f;
  OversampleBase = 44100.0f;
  RealSampleBase = 96000.0f;
  p.Oversample = 1;
  TSliderField dc{static_cast<int32_t>(offsetof(XPatch, AuxOscDCFilter)), TParamKind::SingleSingle};
  dc.ScaledParam = static_cast<int32_t>(offsetof(XPatch, _AuxOscDCFilter));
  EXPECT_TRUE(WriteSliderField(p, dc, 0.96f));
  EXPECT_EQ(p.AuxOscDCFilter.lane(0), 0.96f);
  EXPECT_EQ(p._AuxOscDCFilter.lane(0), static_cast<float>(0.96f * 44100.0 / 96000.0));
  dc.ScaleType = TScaleType::SampleRate;
  EXPECT_TRUE(WriteSliderField(p, dc, 0.96f));
  EXPECT_EQ(p._AuxOscDCFilter.lane(0), static_cast<float>(0.96f * 96000.0 / 48000.0));
  EXPECT_EQ(RateScaledValue(TScaleType::OversampleRate, 2.0f, 0), static_cast<float>(2.0 * 44100 / 48000));
  SampleRate = 0.0f;  // no rate: unscaled
  EXPECT_EQ(RateScaledValue(TScaleType::SampleRate, 2.0f, 0), 2.0f);
  EXPECT_EQ(RateScaledValue(TScaleType::OversampleRate, 2.0f, 3), 2.0f);
  SampleRate = savedRate;
  OversampleBase = savedBase;
  RealSampleBase = savedReal;
}

TEST_F(PatchFixture, ListFieldsHoldTheValueNumber) {
  const int32_t type = LanePosition(offsetof(XPatch, FilterType), 1);
  EXPECT_TRUE(WriteListField(p, type, 7));
  EXPECT_EQ(p.FilterType.lane(1), 7u);
  EXPECT_EQ(ReadListField(p, type), 7u);
  EXPECT_EQ(ReadListField(p, kNoPatchField), 0u);
  EXPECT_FALSE(WriteListField(p, kNoPatchField, 7));
}

TEST_F(PatchFixture, SwitchesCompareWithTheirOffValue) {
  const int32_t loop = LanePosition(offsetof(XPatch, SampleOscLoop), 0);
  struct Case {
    const char* what;
    TSwitchField field;
    uint32_t storedOn, storedOff;
  };
  const Case cases[] = {
      {"plain", {loop, 0, 0xFFFFFFFFu, false}, 0xFFFFFFFFu, 0},
      {"off is all ones", {loop, 0xFFFFFFFFu, 0, false}, 0, 0xFFFFFFFFu},
      {"inverted", {loop, 0, 0xFFFFFFFFu, true}, 0, 0xFFFFFFFFu},
      {"small words", {loop, 1, 2, false}, 2, 1},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(WriteSwitchField(p, c.field, true)) << c.what;
    EXPECT_EQ(p.SampleOscLoop.lane(0), c.storedOn) << c.what;
    EXPECT_TRUE(ReadSwitchField(p, c.field)) << c.what;
    EXPECT_TRUE(WriteSwitchField(p, c.field, false)) << c.what;
    EXPECT_EQ(p.SampleOscLoop.lane(0), c.storedOff) << c.what;
    EXPECT_FALSE(ReadSwitchField(p, c.field)) << c.what;
  }
  // off only at exactly the off value: any other word reads on
  const TSwitchField offAllOnes{loop, 0xFFFFFFFFu, 0, false};
  p.SampleOscLoop.set_lane(0, 12345);
  EXPECT_TRUE(ReadSwitchField(p, offAllOnes));
  // no field: off, and nothing written
  EXPECT_FALSE(ReadSwitchField(p, TSwitchField{}));
  EXPECT_FALSE(WriteSwitchField(p, TSwitchField{}, true));
}

}  // namespace
}  // namespace brelix
