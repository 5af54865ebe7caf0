// Host parameter writes with the editor open in a host's window on a real X server: on the
// rendering thread, between render calls, they allocate nothing (every allocation of the process
// goes through the counting operator new and, outside the sanitizers, malloc below), and at the
// next idle call the number box shows what the host wrote, as the host's display text does.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>

#include "widgets/x_edit.h"
#include "editor/x_interface.h"
#include "editor/x_param_button.h"
#include "editor/x_param_combo.h"
#include "editor/x_param_slider.h"
#include "support/plugin_folder.h"
#include "support/synth_instance.h"
#include "support/test_page_form.h"
#include "support/x11_probe.h"
#include "support/xvfb_server.h"

namespace {
// Allocations made by a thread while it counts.
thread_local bool t_counting = false;
std::atomic<int> g_allocations{0};

void Count() {
  if (t_counting) g_allocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  Count();
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  Count();
  return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return ::operator new(size, tag); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
#pragma GCC diagnostic pop

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && !defined(__has_feature)
#define BRELIX_COUNT_MALLOC 1
#elif defined(__has_feature)
#if !__has_feature(address_sanitizer) && !__has_feature(thread_sanitizer)
#define BRELIX_COUNT_MALLOC 1
#endif
#endif

#ifdef BRELIX_COUNT_MALLOC
// malloc and its kin, interposed: the C library's own allocator behind a count.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* malloc(size_t size) {
  Count();
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  Count();
  return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
  Count();
  return __libc_realloc(block, size);
}
}
#endif

namespace brelix {
namespace {

void Settle(AEffect* e) {
  for (int i = 0; i < 10; ++i) {
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

class HostParamTable : public ::testing::Test {
 protected:
  void SetUp() override {
    BRELIX_REQUIRE_XVFB();
    synth_->Automation = true;
    page_ = dynamic_cast<TTestPageForm*>(static_cast<XInterface*>(synth_->Editor())->EditorForm());
    ASSERT_NE(page_, nullptr);
    Display* host = probe_.display();
    const int screen = DefaultScreen(host);
    parent_ = XCreateSimpleWindow(host, RootWindow(host, screen), 30, 30, 640, 600, 0, BlackPixel(host, screen),
                                  WhitePixel(host, screen));
    XMapWindow(host, parent_);
    XSync(host, False);
    ASSERT_EQ(e_->dispatcher(e_, effEditOpen, 0, 0, reinterpret_cast<void*>(parent_), 0.0f), 1);
    Settle(e_);
  }
  void TearDown() override {
    if (parent_ == 0) return;
    e_->dispatcher(e_, effEditClose, 0, 0, nullptr, 0.0f);
    XDestroyWindow(probe_.display(), parent_);
    XSync(probe_.display(), False);
  }
  std::string Shown(int32_t index) {
    char text[64] = {};
    e_->dispatcher(e_, effGetParamDisplay, index, 0, text, 0.0f);
    return text;
  }

  testing::PluginFolder folder_;
  testing::TestPageInstalled test_page_;
  testing::Synth synth_ = testing::MakeSynth();
  AEffect* e_ = synth_->Effect();
  TTestPageForm* page_ = nullptr;
  testing::XProbe probe_;
  Window parent_ = 0;
};

// The test page's entries: 2 FreeRun (switch), 3 Semitone (-48..48), 4 Cutoff (with a curve),
// 6 Type (a list), 8 Detune.
constexpr int32_t kFreeRun = 2, kSemitone = 3, kCutoff = 4, kType = 6, kDetune = 8;

TEST_F(HostParamTable, WritesOnTheRenderThreadAllocateNothing) {
  std::thread audio([&] {
    float left[64], right[64];
    float* outputs[2] = {left, right};
    char text[64];
    e_->processReplacing(e_, nullptr, outputs, 64);  // the thread's first call may set itself up
    t_counting = true;
    for (int i = 0; i < 200; ++i) {
      const float v = static_cast<float>(i % 50) / 49.0f;
      const int32_t entry = (i % 5 == 0) ? kFreeRun : (i % 5 == 1) ? kSemitone : (i % 5 == 2) ? kCutoff
                                                     : (i % 5 == 3) ? kType : kDetune;
      e_->setParameter(e_, entry, v);
      e_->getParameter(e_, entry);
      e_->dispatcher(e_, effGetParamDisplay, entry, 0, text, 0.0f);
      e_->dispatcher(e_, effGetParamName, entry, 0, text, 0.0f);
      if (i % 10 == 9) e_->processReplacing(e_, nullptr, outputs, 64);
    }
    t_counting = false;
  });
  audio.join();
  EXPECT_EQ(g_allocations.load(), 0);
  Settle(e_);

  // The count sees what the host path would allocate: a text made on the counting thread.
  t_counting = true;
  std::string made(64, 'x');
  t_counting = false;
  EXPECT_GE(g_allocations.load(), 1) << made;
}

TEST_F(HostParamTable, AHostWriteReachesTheNumberBoxAndTheDisplayTextAtTheNextIdle) {
  struct Case {
    bool editAutomation;
    float host;
    const char* shown;
  };
  for (const Case& c : {Case{false, 0.75f, "24"}, Case{true, 0.125f, "-36"}}) {
    synth_->EditAutomation = c.editAutomation;
    std::thread([&] { e_->setParameter(e_, kSemitone, c.host); }).join();
    EXPECT_EQ(Shown(kSemitone), c.shown);
    e_->dispatcher(e_, effEditIdle, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(page_->Semitone->Edit->Text(), c.shown);
    EXPECT_EQ(page_->Semitone->Value, (c.host - 0.5f) * 96.0f);
  }
  std::thread([&] {
    e_->setParameter(e_, kType, 1.0f / 3.0f);
    e_->setParameter(e_, kFreeRun, 1.0f);
  }).join();
  e_->dispatcher(e_, effEditIdle, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(Shown(kType), "Low");
  EXPECT_EQ(page_->Type->DisplayText(), "Low");
  EXPECT_TRUE(page_->FreeRun->Value);
  EXPECT_EQ(Shown(kFreeRun), "On");

  // The user's own edit after the host's write is the one that stays, in the table too.
  page_->Semitone->UpdateValue(5.0f);
  e_->dispatcher(e_, effEditIdle, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(Shown(kSemitone), "5");
  EXPECT_EQ(e_->getParameter(e_, kSemitone), 53.0f / 96.0f);
}

}  // namespace
}  // namespace brelix
