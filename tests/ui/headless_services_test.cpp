// Without a display the plug-in's boxes and questions degrade: messages on standard error, every
// question answered No, every file dialog cancelled; an instance is still made.
#include <gtest/gtest.h>

#include "plugin/audio_effect_x.h"
#include "base/messages.h"
#include "plugin/plugin_entry.h"
#include "ui/desktop_services.h"
#include "ui/dialogs.h"
#include "support/plain_effect.h"

namespace {

using brelix::testing::PlainEffect;
using brelix::testing::MinimalHost;

TEST(HeadlessServices, WithoutADisplayEverythingGoesToStandardErrorAndIsAnsweredNo) {
  // A display that does not exist: the first decision holds for the process.
  EXPECT_FALSE(brelix::ui::UseDesktopServices(":93"));
  EXPECT_FALSE(brelix::ui::UseDesktopServices());

  ::testing::internal::CaptureStderr();
  brelix::ShowMessageBox("Invalid sample file:\r\r/tmp/x.wav");
  const bool yes = brelix::Dialogs().AskYesNo("Do you want to save patch A.tw?");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Invalid sample file:\n\n/tmp/x.wav\nDo you want to save patch A.tw? (no display: answered No)\n");
  EXPECT_FALSE(yes);
  brelix::FileDialogOptions options;
  options.title = "Save Patch";
  EXPECT_FALSE(brelix::Dialogs().SaveFile(options));
  EXPECT_FALSE(brelix::Dialogs().OpenFile(options));

  // The entry function makes its instance without a line on standard error: the progress box is
  // transient and would only fill the host's log.
  ::testing::internal::CaptureStderr();
  AEffect* effect = brelix::PluginEntry(
      &MinimalHost, [](audioMasterCallback host) -> brelix::AudioEffect* { return new PlainEffect(host, 0, 1); },
      [] { return true; });
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ASSERT_NE(effect, nullptr);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

}  // namespace
