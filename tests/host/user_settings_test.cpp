// The user's own settings file through the built plug-in: $XDG_CONFIG_HOME/brelix/Brelix.Ini (or
// ~/.config/brelix/Brelix.Ini) is read after the file beside the plug-in and wins key by key, so a
// user without root switches Automation on or zooms the editor; the plug-in writes neither file.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "support/scoped_variable.h"
#include "support/started_instance.h"
#include "support/temp_folder.h"
#include "vst_host.h"

namespace brelix {
namespace {

using host::PluginInstance;
using host::PluginLibrary;
using testing::ScopedVariable;
using testing::WriteBytes;
namespace fs = std::filesystem;

TEST(UserSettings, TheUsersFileWinsKeyByKeyOverTheOneBesideThePlugIn) {
  testing::TempFolder plugin, home;
  fs::copy_file(BRELIX_PLUGIN_PATH, plugin.file("Brelix64.so"));
  const std::shared_ptr<PluginLibrary> library = PluginLibrary::Load(plugin.file("Brelix64.so"));
  const std::string config = home.file("config");
  struct Case {
    const char* name;
    const char* installation;            // Brelix.Ini beside the plug-in
    std::optional<const char*> user;     // the user's Brelix.Ini, none: no file
    bool through_home;                   // $XDG_CONFIG_HOME unset: ~/.config/brelix
    int32_t params;
    int16_t width;                       // the editor's width: 624 at 100 %, 780 at 125 %
  };
  const Case cases[] = {
      {"the user switches Automation on", "", "[Editor]\nAutomation=1\n", false, 443, 624},
      {"and off again", "[Editor]\nAutomation=1\n", "[Editor]\nAutomation=0\n", false, 1, 624},
      {"other keys stay the installation's", "[Editor]\nAutomation=1\n", "[Editor]\nZoom=125\n", false, 443, 780},
      {"no user's file", "[Editor]\nAutomation=1\nZoom=125\n", std::nullopt, false, 443, 780},
      {"~/.config without XDG_CONFIG_HOME", "", "[Editor]\nAutomation=1\nZoom=125\n", true, 443, 780},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(config);
    fs::remove_all(home.file(".config"));
    WriteBytes(plugin.file("Brelix.Ini"), c.installation);
    const std::string folder = c.through_home ? home.file(".config") : config;
    if (c.user) {
      fs::create_directories(folder + "/brelix");
      WriteBytes(folder + "/brelix/Brelix.Ini", *c.user);
    }
    const ScopedVariable xdg("XDG_CONFIG_HOME", c.through_home ? std::nullopt : std::optional<std::string>(config));
    const ScopedVariable user_home("HOME", home.path().string());
    {
      const auto instance = std::make_unique<PluginInstance>(library);
      ASSERT_TRUE(instance->is_open());
      testing::StartAsHost(*instance);
      EXPECT_EQ(instance->effect()->numParams, c.params);
      ERect* rect = nullptr;
      ASSERT_EQ(instance->dispatch(effEditGetRect, 0, 0, &rect), 1);
      ASSERT_NE(rect, nullptr);
      EXPECT_EQ(rect->right, c.width);
    }
    // Read, never written: nothing appears where there was no file.
    EXPECT_EQ(fs::exists(folder + "/brelix"), c.user.has_value());
    EXPECT_EQ(testing::ReadBytes(plugin.file("Brelix.Ini")), c.installation);
  }
}

}  // namespace
}  // namespace brelix
