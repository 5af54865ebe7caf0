// brelix-pictures: opens the plug-in through its entry point as a host does, opens its editor in
// a window of its own on the X display, and writes a PNG of every page on each layer, so that a
// person can look at the editor as a musician sees it. Run it where there is a display, or under
// a virtual one:
//
//   xvfb-run -a build/tools/brelix-pictures build/Brelix64.so docs/
//
// With --zoom 125, 150 or 200 the editor is drawn at that size: the tool runs a copy of the
// plug-in from a temporary folder whose settings file sets Zoom (200 % needs a screen of at least
// 1248 x 1114: xvfb-run -s "-screen 0 1600x1200x24").
//
// It switches pages the way a user does: a click on a tab shows its page, a second click on the
// tab shown switches the layer of every page. Files: page1.png .. page4.png for the primary layer,
// page1-hidden.png .. page4-hidden.png for the hidden one.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "base/printable_text.h"
#include "vst_host.h"

namespace {

constexpr int kTabTop = 2, kTabHeight = 17, kTabWidth = 151, kTabStep = 155, kFirstTab = 4;
constexpr int kPages = 4;
constexpr int kEditorWidth = 624;  // the editor's width in logical pixels

// A copy of the plug-in in a temporary folder beside a settings file that sets the zoom; the
// folder goes with the object.
class ZoomedPluginCopy {
 public:
  ZoomedPluginCopy(const std::string& pluginPath, int zoom) {
    std::string pattern = (std::filesystem::temp_directory_path() / "brelix-pictures-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    folder_ = pattern;
    std::filesystem::copy_file(pluginPath, folder_ / "Brelix64.so");
    std::ofstream(folder_ / "Brelix.Ini") << "[Editor]\nZoom=" << zoom << "\n";
  }
  ~ZoomedPluginCopy() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string path() const { return (folder_ / "Brelix64.so").string(); }

 private:
  std::filesystem::path folder_;
};

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};

class PictureHost {
 public:
  PictureHost(const std::string& pluginPath) {
    display_.reset(XOpenDisplay(nullptr));
    if (!display_) throw std::runtime_error("no X display (run under xvfb-run)");
    instance_ = std::make_unique<brelix::host::PluginInstance>(brelix::host::PluginLibrary::Load(pluginPath));
    if (!instance_->is_open()) throw std::runtime_error("the plug-in '" + brelix::PrintableText(pluginPath) + "' made no instance");
    instance_->open();
    instance_->setSampleRate(44100.0f);
    instance_->setBlockSize(512);
    instance_->resume();

    ERect* rect = nullptr;
    instance_->dispatch(effEditGetRect, 0, 0, &rect);
    if (rect == nullptr) throw std::runtime_error("the plug-in has no editor");
    width_ = rect->right - rect->left;
    height_ = rect->bottom - rect->top;
    scale_ = static_cast<double>(width_) / kEditorWidth;
    Display* d = display_.get();
    const int screen_width = DisplayWidth(d, DefaultScreen(d)), screen_height = DisplayHeight(d, DefaultScreen(d));
    if (width_ > screen_width || height_ > screen_height)
      throw std::runtime_error("the editor (" + std::to_string(width_) + " x " + std::to_string(height_) +
                               ") does not fit on the screen (" + std::to_string(screen_width) + " x " +
                               std::to_string(screen_height) + ")");
    window_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, width_, height_, 0, 0, 0);
    XMapWindow(d, window_);
    XSync(d, False);
    instance_->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(window_));
    Idle(40);
  }
  ~PictureHost() {
    instance_->dispatch(effEditClose);
    instance_.reset();
    XDestroyWindow(display_.get(), window_);
  }

  // The host's idle calls, as a host makes them about 50 times a second.
  void Idle(int calls) {
    for (int i = 0; i < calls; ++i) {
      instance_->dispatch(effEditIdle);
      XSync(display_.get(), False);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  void ClickTab(int page) {
    Display* d = display_.get();
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(d, window_, DefaultRootWindow(d), Device(kFirstTab + page * kTabStep + kTabWidth / 2),
                          Device(kTabTop + kTabHeight / 2), &x, &y, &child);
    XTestFakeMotionEvent(d, DefaultScreen(d), x, y, 0);
    XTestFakeButtonEvent(d, 1, True, 0);
    XTestFakeButtonEvent(d, 1, False, 0);
    XSync(d, False);
    Idle(10);
  }

  void WritePng(const std::string& file) {
    Display* d = display_.get();
    XImage* image = XGetImage(d, window_, 0, 0, width_, height_, AllPlanes, ZPixmap);
    if (image == nullptr) throw std::runtime_error("cannot read the window's picture");
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height_; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
      for (int x = 0; x < width_; ++x) row[x] = static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu;
    }
    cairo_surface_mark_dirty(surface);
    const cairo_status_t status = cairo_surface_write_to_png(surface, file.c_str());
    cairo_surface_destroy(surface);
    XDestroyImage(image);
    if (status != CAIRO_STATUS_SUCCESS) throw std::runtime_error("cannot write " + brelix::PrintableText(file));
    std::printf("%s\n", brelix::PrintableText(file).c_str());
  }

 private:
  // A logical point of the editor in the window's pixels.
  int Device(int logical) const { return static_cast<int>(std::ceil(logical * scale_)); }

  std::unique_ptr<Display, DisplayCloser> display_;
  std::unique_ptr<brelix::host::PluginInstance> instance_;
  Window window_ = 0;
  int width_ = 0, height_ = 0;
  double scale_ = 1.0;
};

}  // namespace

int main(int argc, char** argv) {
  int zoom = 100;
  if (argc == 5 && std::string(argv[1]) == "--zoom") {
    const std::string level = argv[2];
    zoom = level == "100" || level == "125" || level == "150" || level == "200" ? std::stoi(level) : 0;
    argv += 2;
    argc -= 2;
  }
  if (argc != 3 || zoom == 0) {
    std::fprintf(stderr, "usage: brelix-pictures [--zoom 100|125|150|200] PLUGIN.so FOLDER\n");
    return 2;
  }
  try {
    const std::string folder = std::string(argv[2]) + "/";
    std::unique_ptr<ZoomedPluginCopy> copy;
    if (zoom != 100) copy = std::make_unique<ZoomedPluginCopy>(argv[1], zoom);
    PictureHost host(copy ? copy->path() : argv[1]);
    for (int page = 0; page < kPages; ++page) {
      if (page > 0) host.ClickTab(page);
      host.WritePng(folder + "page" + std::to_string(page + 1) + ".png");
    }
    host.ClickTab(kPages - 1);  // the shown tab again: the hidden layer, on every page
    for (int page = kPages - 1; page >= 0; --page) {
      if (page < kPages - 1) host.ClickTab(page);
      host.WritePng(folder + "page" + std::to_string(page + 1) + "-hidden.png");
    }
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "brelix-pictures: %s\n", error.what());
    return 1;
  }
}
