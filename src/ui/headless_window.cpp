#include "ui/headless_window.h"


namespace brelix::ui {


void HeadlessPlatform::WarpPointer(TPoint screen) {
  Warps.push_back(screen);
  if (!WarpFails) Pointer = screen;
}

HeadlessWindow::HeadlessWindow(IWindowClient& client, TPoint origin) : client_(client), origin_(origin) {
  const TSize size = client.DeviceSize();
  image_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, size.width, size.height);
  client_.AttachPlatform(&platform_);
  client_.InvalidateAll();
}

HeadlessWindow::~HeadlessWindow() {
  client_.AttachPlatform(nullptr);
  cairo_surface_destroy(image_);
}

void HeadlessWindow::MovePointer(int x, int y, TShiftState shift) {
  platform_.Pointer = {origin_.x + x, origin_.y + y};
  platform_.Keys = shift;
  now_ms_ += kEventGapMs;
}

void HeadlessWindow::MouseDown(int x, int y, TMouseButton button, TShiftState shift) {
  MovePointer(x, y, shift);
  client_.MouseDown(button, shift, {x, y}, now_ms_);
}

void HeadlessWindow::MouseUp(int x, int y, TMouseButton button, TShiftState shift) {
  MovePointer(x, y, shift);
  client_.MouseUp(button, shift, {x, y});
}

void HeadlessWindow::MouseMove(int x, int y, TShiftState shift) {
  MovePointer(x, y, shift);
  client_.MouseMove(shift, {x, y});
}

void HeadlessWindow::Click(int x, int y, TMouseButton button, TShiftState shift) {
  MouseDown(x, y, button, shift);
  MouseUp(x, y, button, shift);
}

void HeadlessWindow::DoubleClick(int x, int y) {
  Click(x, y);
  Click(x, y);
}

void HeadlessWindow::Wheel(int x, int y, int steps, TShiftState shift) {
  MovePointer(x, y, shift);
  client_.MouseWheel(steps, platform_.Keys, {x, y});
}

void HeadlessWindow::Leave() { client_.MouseLeave(); }

void HeadlessWindow::KeyDown(int key, char c, TShiftState shift) {
  platform_.Keys = shift;
  now_ms_ += kEventGapMs;
  client_.KeyDown(key, shift);
  if (c != 0) client_.KeyChar(c);
}

void HeadlessWindow::KeyUp(int key, TShiftState shift) {
  platform_.Keys = shift;
  client_.KeyUp(key, shift);
}

void HeadlessWindow::Key(int key, char c, TShiftState shift) {
  KeyDown(key, c, shift);
  KeyUp(key, shift);
}

void HeadlessWindow::Type(std::string_view text) {
  for (char c : text) {
    const TShiftState shift{.Shift = (c >= 'A' && c <= 'Z') || c == '$' || c == '*'};
    Key(KeyOfChar(c), c, shift);
  }
}

void HeadlessWindow::Idle(int64_t ms) {
  now_ms_ += ms;
  client_.Tick(now_ms_);
  last_painted_.clear();
  if (!client_.NeedsPaint()) return;
  cairo_t* cr = cairo_create(image_);
  last_painted_ = client_.PaintDirty(cr);
  cairo_destroy(cr);
  cairo_surface_flush(image_);
}

TColor HeadlessWindow::Pixel(int x, int y) const {
  const int width = cairo_image_surface_get_width(image_), height = cairo_image_surface_get_height(image_);
  if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFF;
  const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(image_) +
                                                      y * cairo_image_surface_get_stride(image_));
  const uint32_t rgb = row[x] & 0xFFFFFF;  // 0x00RRGGBB
  return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

bool HeadlessWindow::WritePng(const std::string& file) const {
  return cairo_surface_write_to_png(image_, file.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace brelix::ui
