// The hand-over of host writes between threads and the mirror that non-holders read, without any
// widget: a plain array stands for the controls. The threaded cases run under ThreadSanitizer in
// the test script: the array is written by whichever thread holds the hand-over, so a write
// outside it would be reported.
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "editor/host_param_hand_over.h"
#include "editor/host_param_mirror.h"

namespace brelix {
namespace {

struct Applied {
  int32_t index;
  float value;
  bool ext;
  bool operator==(const Applied&) const = default;
};

TEST(HostParamHandOver, APostWaitsForTheHolderWhoAppliesItInIndexOrderWhenItLetsGo) {
  THostParamHandOver hand_over(8);
  std::vector<Applied> applied;
  auto apply = [&](int32_t i, float v, bool ext) { applied.push_back({i, v, ext}); };
  int last_work = 0;

  ASSERT_TRUE(hand_over.TryTake());
  EXPECT_TRUE(hand_over.HeldHere());
  std::thread other([&] {
    EXPECT_FALSE(hand_over.HeldHere());
    EXPECT_FALSE(hand_over.TryTake());  // held elsewhere: no waiting, no holding
    hand_over.Post(5, 0.25f, false);
    hand_over.Post(2, 0.5f, true);
    hand_over.Post(5, 0.75f, false);  // the latest write wins
  });
  other.join();
  EXPECT_EQ(hand_over.Pending(5), 0.75f);
  EXPECT_EQ(hand_over.Pending(2), 0.5f);
  EXPECT_EQ(hand_over.Pending(3), std::nullopt);

  ASSERT_TRUE(hand_over.TryTake());  // the same thread again: one more level
  hand_over.Release(apply, [&] { ++last_work; });
  EXPECT_TRUE(applied.empty());  // inner levels hand nothing over
  EXPECT_EQ(last_work, 0);
  hand_over.Release(apply, [&] { ++last_work; });
  EXPECT_EQ(applied, (std::vector<Applied>{{2, 0.5f, true}, {5, 0.75f, false}}));
  EXPECT_EQ(last_work, 1);
  EXPECT_FALSE(hand_over.HeldHere());
  EXPECT_EQ(hand_over.Pending(5), std::nullopt);

  // Taking the controls and draining applies what was posted before the holder's own work.
  hand_over.Post(7, 1.0f, false);
  hand_over.Take();
  applied.clear();
  hand_over.Drain(apply);
  EXPECT_EQ(applied, (std::vector<Applied>{{7, 1.0f, false}}));
  hand_over.Release(apply, [] {});
  EXPECT_EQ(applied.size(), 1u);
}

TEST(HostParamHandOver, NothingOutsideTheSlotsAndNoNaNIsPosted) {
  THostParamHandOver hand_over(4);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  hand_over.Post(1, nan, false);
  hand_over.Post(-1, 0.5f, false);
  hand_over.Post(4, 0.5f, false);
  hand_over.Post(std::numeric_limits<int32_t>::min(), 0.5f, false);
  EXPECT_EQ(hand_over.Pending(1), std::nullopt);
  EXPECT_EQ(hand_over.Pending(-1), std::nullopt);
  EXPECT_EQ(hand_over.Pending(4), std::nullopt);
  // An infinite value is the control's to hold at its bound: it is handed over as it came.
  hand_over.Post(3, std::numeric_limits<float>::infinity(), false);
  EXPECT_EQ(hand_over.Pending(3), std::numeric_limits<float>::infinity());
  int calls = 0;
  ASSERT_TRUE(hand_over.TryTake());
  hand_over.Release([&](int32_t i, float v, bool) { calls += i == 3 && std::isinf(v); }, [] {});
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(THostParamHandOver(-3).Count(), 0);
}

// Writers on their own slots, each taking the controls when free and posting otherwise (as the
// editor's SetParam does), and a thread that keeps taking them for work of its own (the idle
// calls). At the end of every phase all have stopped: no write may be left stranded in the
// mailbox, every slot holds its writer's last value, and every value a writer read back right
// after writing it was its own.
TEST(HostParamHandOver, EveryWriteLandsWhileThreadsContendForTheControls) {
  constexpr int kWriters = 3, kSlotsEach = 4, kPhases = 1500;
  THostParamHandOver hand_over(kWriters * kSlotsEach);
  std::vector<float> controls(kWriters * kSlotsEach, -1.0f);  // touched only by the holder
  std::vector<std::atomic<float>> mirror(controls.size());
  for (auto& m : mirror) m = -1.0f;
  auto apply = [&](int32_t i, float v, bool) {
    controls[static_cast<size_t>(i)] = v;
    mirror[static_cast<size_t>(i)] = v;
  };
  auto read_back = [&](int32_t i) {
    if (std::optional<float> pending = hand_over.Pending(i)) return *pending;
    return mirror[static_cast<size_t>(i)].load();
  };
  std::atomic<int> mismatches{0};
  std::barrier phase_end(kWriters + 1), checked(kWriters + 1);

  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      for (int phase = 0; phase < kPhases; ++phase) {
        for (int s = 0; s < kSlotsEach; ++s) {
          const int32_t slot = w * kSlotsEach + s;
          const float value = static_cast<float>(phase);
          if (hand_over.TryTake()) {
            hand_over.Drain(apply);
            apply(slot, value, false);
            hand_over.Release(apply, [] {});
          } else {
            hand_over.Post(slot, value, false);
            if (hand_over.TryTake()) hand_over.Release(apply, [] {});
          }
          if (read_back(slot) != value) ++mismatches;
        }
        phase_end.arrive_and_wait();
        checked.arrive_and_wait();
      }
    });
  }
  int stranded = 0, wrong = 0;
  for (int phase = 0; phase < kPhases; ++phase) {
    for (int round = 0; round < 3; ++round) {
      hand_over.Take();
      hand_over.Drain(apply);
      for (float& c : controls) c += 0.0f;  // the holder's own work on the controls
      hand_over.Release(apply, [] {});
    }
    phase_end.arrive_and_wait();
    for (size_t i = 0; i < controls.size(); ++i) {
      stranded += hand_over.Pending(static_cast<int32_t>(i)).has_value();
      wrong += controls[i] != static_cast<float>(phase);
    }
    checked.arrive_and_wait();
  }
  for (auto& t : writers) t.join();
  EXPECT_EQ(stranded, 0);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(mismatches.load(), 0);
}

TEST(HostParamMirror, KeepsValuesAndTextsCutAfter31Characters) {
  THostParamMirror mirror(3);
  mirror.Store(1, 0.25f, 0.125f, "Saw");
  EXPECT_EQ(mirror.Value(1, false), 0.25f);
  EXPECT_EQ(mirror.Value(1, true), 0.125f);
  EXPECT_EQ(mirror.Text(1), "Saw");
  const std::string long_text(40, 'x');
  mirror.Store(2, 1.0f, 1.0f, long_text);
  EXPECT_EQ(mirror.Text(2), long_text.substr(0, 31));
  mirror.Store(2, 1.0f, 1.0f, "");
  EXPECT_EQ(mirror.Text(2), "");
  for (int32_t bad : {-1, 3, std::numeric_limits<int32_t>::max()}) {
    mirror.Store(bad, 9.0f, 9.0f, "no");
    EXPECT_EQ(mirror.Value(bad, false), 0.0f);
    EXPECT_EQ(mirror.Text(bad), "");
  }
}

// A reader on another thread never sees half of one text and half of another.
TEST(HostParamMirror, AReaderNeverSeesATornText) {
  THostParamMirror mirror(1);
  const std::string a(31, 'a'), b = "bb";
  mirror.Store(0, 0.0f, 0.0f, a);
  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::thread reader([&] {
    while (!done) {
      const std::string text = mirror.Text(0);
      if (text != a && text != b) ++torn;
    }
  });
  for (int i = 0; i < 20000; ++i) mirror.Store(0, 0.0f, 0.0f, i % 2 == 0 ? b : a);
  done = true;
  reader.join();
  EXPECT_EQ(torn.load(), 0);
}

}  // namespace
}  // namespace brelix
