// The progress bar: what it shows, and that a long render draws it a few times a second at most.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "progress_bar.h"

namespace brelix {
namespace {

using namespace std::chrono_literals;
using Clock = ProgressBar::Clock;

TEST(ProgressBar, ShowsTheShareDoneAndTheTimeLeftThenTheTail) {
  EXPECT_EQ(ProgressBar::Text(25, 100, 10.0, 10s), "[##########------------------------------]  25%  0:30 left");
  EXPECT_EQ(ProgressBar::Text(99, 100, 10.0, 99min), "[#######################################-]  99%  1:00 left");
  EXPECT_EQ(ProgressBar::Text(0, 100, 10.0, 2s), "[----------------------------------------]   0%  0:00 left");
  EXPECT_EQ(ProgressBar::Text(120, 100, 10.0, 3s), "[########################################] 100%  tail 2.0 s");
}

TEST(ProgressBar, ALongRenderRedrawsAFewTimesASecondAtMost) {
  // Three minutes of audio in 512-frame blocks, rendered four times faster than real time.
  const int64_t total = 180 * 44100;
  Clock::time_point now{};
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  {
    ProgressBar bar(total, 44100.0, true, out, [&] { return now; });
    for (int64_t done = 0; done < total; done += 512) {
      now += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(512.0 / 44100.0 / 4.0));
      bar.Advance(512);
    }
  }
  std::rewind(out);
  std::string written;
  for (int c; (c = std::fgetc(out)) != EOF;) written += static_cast<char>(c);
  std::fclose(out);
  const auto draws = std::count(written.begin(), written.end(), '\r') - 2;  // the last two clear the line
  EXPECT_GE(draws, 40);   // about once a second (45 s), when the time left changes
  EXPECT_LE(draws, 181);  // never more often than four times a second
  EXPECT_LT(written.size(), 15000u);
  EXPECT_TRUE(written.ends_with(std::string(70, ' ') + "\r"));
}

TEST(ProgressBar, AShortRenderOrOneWithoutATerminalDrawsNothing) {
  Clock::time_point now{};
  std::FILE* out = std::tmpfile();
  {
    ProgressBar quick(1000, 1000.0, true, out, [&] { return now; });
    now += 900ms;
    quick.Advance(1000);
    ProgressBar off(1000, 1000.0, false, out, [&] { return now; });
    now += 5s;
    off.Advance(500);
  }
  EXPECT_EQ(std::ftell(out), 0);
  std::fclose(out);
}

}  // namespace
}  // namespace brelix
