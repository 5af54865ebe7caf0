// The settings file: defaults, clamps, the value syntax, and what a file that cannot be read does.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/rates.h"
#include "patch/settings.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace brelix {
namespace {

using testing::RecordedMessages;
using testing::TempFolder;
using testing::WriteBytes;

class SettingsTest : public ::testing::Test {
 protected:
  TSettings Read(const std::string& text) {
    WriteBytes(folder_.file("Brelix.Ini"), text);
    return SettingsRead(folder_.file("Brelix.Ini"), TSettings{});
  }

  TempFolder folder_;
  RecordedMessages messages_;
};

TEST_F(SettingsTest, AnEmptyOrMissingFileGivesTheDefaults) {
  for (const TSettings& s : {Read(""), SettingsRead(folder_.file("none.ini"), TSettings{})}) {
    EXPECT_EQ(s.RealSampleBase, 44100.0f);
    EXPECT_EQ(s.OversampleBase, 44100.0f);
    EXPECT_FALSE(s.Instance.Automation);
    EXPECT_FALSE(s.Instance.EditAutomation);
    EXPECT_FALSE(s.Instance.ExternalControl);
    EXPECT_TRUE(s.Shared.CPUOverload);
    EXPECT_EQ(s.Shared.KnobSensitivity, 500);
    EXPECT_EQ(s.Shared.ScrollSensitivity, 10);
    EXPECT_EQ(s.Shared.Microscope, 0.01f);
    EXPECT_EQ(s.Shared.Colors.EditColor, 2283254u);
    EXPECT_EQ(s.Shared.Colors.FontColor, 1239616u);
    EXPECT_EQ(s.Shared.Colors.FrameColor, 9474192u);
    EXPECT_EQ(s.Shared.Colors.KnobColor, 12591232u);
    EXPECT_EQ(s.Shared.Colors.OverflowColor, 255u);
    EXPECT_EQ(s.Shared.Colors.SliderColor, 16728128u);
    EXPECT_EQ(s.Shared.Colors.SectionColor, 1239616u);
    EXPECT_EQ(s.Shared.Colors.HiddenColor, 2283254u);
    EXPECT_EQ(s.Shared.Colors.ValueColor, 2283254u);
    EXPECT_EQ(s.Shared.Colors.WindowColor, 2105376u);
  }
  EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(SettingsTest, TheRatesAreKeptAt44100OrAbove) {
  struct Case {
    const char* text;
    float real, oversample;
  };
  const Case cases[] = {
      {"[Engine]\nRealSampleBase=22050\n", 44100.0f, 44100.0f},
      {"[Engine]\nRealSampleBase=96000\n", 96000.0f, 96000.0f},  // OversampleBase follows it
      {"[Engine]\nRealSampleBase=96000\nOversampleBase=48000\n", 96000.0f, 48000.0f},
      {"[Engine]\nOversampleBase=1000\n", 44100.0f, 44100.0f},
      {"[engine]\nrealsamplebase = 48000.5\n", 48000.5f, 48000.5f},
      {"[Engine]\nRealSampleBase=fast\nOversampleBase=\n", 44100.0f, 44100.0f},
      {"[Engine]\nRealSampleBase=inf\nOversampleBase=nan\n", 44100.0f, 44100.0f},
      {"[Engine]\nRealSampleBase=-96000\n", 44100.0f, 44100.0f},
  };
  for (const Case& c : cases) {
    const TSettings s = Read(c.text);
    EXPECT_EQ(s.RealSampleBase, c.real) << c.text;
    EXPECT_EQ(s.OversampleBase, c.oversample) << c.text;
  }
}

TEST_F(SettingsTest, EveryEditorKeyWithItsValueSyntax) {
  const TSettings s = Read(
      "[Editor]\n"
      "Automation=1\nEditAutomation=-3\nBottomButtons=$1\nComboSort=0x10\nExternalControl=1\n"
      "KnobSensitivity=250\nScrollSensitivity=-5\nLegacyParams=1\nLegacyTab=1\nMicroscope=0.5\n"
      "Randomizer=1\nShortcuts=1\nTouchScreen=1\n"
      "EditColor=$000001\nFontColor=2\nFrameColor=3\nKnobColor=16711680\nOverflowColor=0x0000FF\n"
      "SliderColor=6\nSectionColor=7\nHiddenColor=8\nValueColor=9\nWindowColor=$FF123456\n"
      "[Engine]\nCPUOverload=0\n");
  EXPECT_TRUE(s.Instance.Automation);
  EXPECT_TRUE(s.Instance.EditAutomation);
  EXPECT_TRUE(s.Instance.ExternalControl);
  EXPECT_TRUE(s.Shared.BottomButtons);
  EXPECT_TRUE(s.Shared.ComboSort);
  EXPECT_EQ(s.Shared.KnobSensitivity, 250);
  EXPECT_EQ(s.Shared.ScrollSensitivity, 0);
  EXPECT_TRUE(s.Shared.LegacyParams);
  EXPECT_TRUE(s.Shared.LegacyTab);
  EXPECT_EQ(s.Shared.Microscope, 0.5f);
  EXPECT_TRUE(s.Shared.Randomizer);
  EXPECT_TRUE(s.Shared.Shortcuts);
  EXPECT_TRUE(s.Shared.TouchScreen);
  EXPECT_FALSE(s.Shared.CPUOverload);
  EXPECT_EQ(s.Shared.Colors.EditColor, 1u);
  EXPECT_EQ(s.Shared.Colors.FontColor, 2u);
  EXPECT_EQ(s.Shared.Colors.FrameColor, 3u);
  EXPECT_EQ(s.Shared.Colors.KnobColor, 0xFF0000u);  // blue: red is the low byte
  EXPECT_EQ(s.Shared.Colors.OverflowColor, 0xFFu);
  EXPECT_EQ(s.Shared.Colors.SliderColor, 6u);
  EXPECT_EQ(s.Shared.Colors.SectionColor, 7u);
  EXPECT_EQ(s.Shared.Colors.HiddenColor, 8u);
  EXPECT_EQ(s.Shared.Colors.ValueColor, 9u);
  EXPECT_EQ(s.Shared.Colors.WindowColor, 0x123456u);  // only the colour bits are kept
}

TEST_F(SettingsTest, ValuesThatDoNotParseKeepTheirDefaults) {
  TSettings defaults;
  defaults.Shared.KnobSensitivity = 123;
  WriteBytes(folder_.file("Brelix.Ini"),
             "[Editor]\nAutomation=yes\nKnobSensitivity=12ms\nMicroscope=nan\nKnobColor=red\nTouchScreen=\n");
  const TSettings s = SettingsRead(folder_.file("Brelix.Ini"), defaults);
  EXPECT_FALSE(s.Instance.Automation);
  EXPECT_EQ(s.Shared.KnobSensitivity, 123);
  EXPECT_EQ(s.Shared.Microscope, 0.01f);
  EXPECT_EQ(s.Shared.Colors.KnobColor, 12591232u);
  EXPECT_FALSE(s.Shared.TouchScreen);
}

TEST_F(SettingsTest, TheEditorZoomTakesOnlyItsLevels) {
  const std::pair<const char*, int32_t> cases[] = {
      {"", 100},          {"Zoom=125\n", 125}, {"Zoom=150\n", 150}, {"Zoom=200\n", 200},
      {"Zoom=100\n", 100}, {"Zoom=175\n", 100}, {"Zoom=0\n", 100},   {"Zoom=-200\n", 100},
      {"Zoom=1000\n", 100}, {"Zoom=big\n", 100},
  };
  for (const auto& [line, zoom] : cases) EXPECT_EQ(Read(std::string("[Editor]\n") + line).Shared.Zoom, zoom) << line;
}

TEST_F(SettingsTest, AZoomLevelNotOfferedGivesTheExactPixelsEvenOverAnotherLevel) {
  TSettings zoomed;
  zoomed.Shared.Zoom = 150;
  for (const auto& [text, zoom] : std::vector<std::pair<const char*, int32_t>>{
           {"[Editor]\nZoom=175\n", 100}, {"[Editor]\nZoom=-5\n", 100}, {"[Editor]\nZoom=abc\n", 100},
           {"[Editor]\nZoom=200\n", 200}, {"[Editor]\nAutomation=1\n", 150}}) {
    WriteBytes(folder_.file("Brelix.Ini"), text);
    EXPECT_EQ(SettingsRead(folder_.file("Brelix.Ini"), zoomed).Shared.Zoom, zoom) << text;
  }
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsReportedAndGivesTheDefaults) {
  WriteBytes(folder_.file("Brelix.Ini"), std::string("[Editor]\nAutomation=1\n\0\0\0", 24));
  const TSettings s = SettingsRead(folder_.file("Brelix.Ini"), TSettings{});
  EXPECT_FALSE(s.Instance.Automation);
  EXPECT_EQ(s.RealSampleBase, 44100.0f);
  ASSERT_EQ(messages_.messages.size(), 1u);
  EXPECT_NE(messages_.messages[0].find("Cannot read settings file:\r\r" + folder_.file("Brelix.Ini")),
            std::string::npos);
}

TEST_F(SettingsTest, TheUsersFileWinsKeyByKeyOverTheInstallations) {
  struct Case {
    const char* installation;
    const char* user;
    float real, oversample;
    bool automation;
    int32_t zoom;
  };
  const Case cases[] = {
      {"[Editor]\nAutomation=1\nZoom=200\n", "[Editor]\nZoom=125\n", 44100, 44100, true, 125},
      {"[Editor]\nAutomation=1\n", "[editor]\nautomation=0\n", 44100, 44100, false, 100},
      {"", "[Editor]\nAutomation=1\n", 44100, 44100, true, 100},
      // OversampleBase follows RealSampleBase only where no file names it.
      {"[Engine]\nOversampleBase=48000\n", "[Engine]\nRealSampleBase=96000\n", 96000, 48000, false, 100},
      {"[Engine]\nRealSampleBase=96000\n", "[Engine]\nRealSampleBase=22050\n", 44100, 44100, false, 100},
  };
  for (const Case& c : cases) {
    WriteBytes(folder_.file("Brelix.Ini"), c.installation);
    WriteBytes(folder_.file("user.ini"), c.user);
    const TSettings s = SettingsRead({folder_.file("Brelix.Ini"), folder_.file("user.ini")}, TSettings{});
    EXPECT_EQ(s.RealSampleBase, c.real) << c.user;
    EXPECT_EQ(s.OversampleBase, c.oversample) << c.user;
    EXPECT_EQ(s.Instance.Automation, c.automation) << c.user;
    EXPECT_EQ(s.Shared.Zoom, c.zoom) << c.user;
  }
  // Without the user's file the installation's keys stand.
  EXPECT_EQ(SettingsRead({folder_.file("Brelix.Ini"), folder_.file("none.ini")}, TSettings{}).RealSampleBase, 96000.0f);
  EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(SettingsTest, LoadingMakesTheSharedValuesCurrentAndTheyAreTheNextDefaults) {
  // The rates are the engine's: put back what the other tests of this program expect.
  const float real = RealSampleBase, oversample = OversampleBase;

  WriteBytes(folder_.file("Brelix.Ini"), "[Engine]\nRealSampleBase=96000\n[Editor]\nComboSort=1\nAutomation=1\n");
  const TSettings loaded = SettingsLoad({folder_.file("Brelix.Ini")});
  EXPECT_TRUE(loaded.Instance.Automation);
  EXPECT_EQ(RealSampleBase.load(), 96000.0f);
  EXPECT_EQ(OversampleBase.load(), 96000.0f);
  EXPECT_TRUE(SharedSettings().ComboSort);
  // A later instance without a file keeps what is in force; its own switches start off.
  const TSettings next = SettingsLoad({folder_.file("none.ini")});
  EXPECT_EQ(next.RealSampleBase, 96000.0f);
  EXPECT_TRUE(next.Shared.ComboSort);
  EXPECT_FALSE(next.Instance.Automation);

  RealSampleBase = real;
  OversampleBase = oversample;
}

}  // namespace
}  // namespace brelix
