#include "toolkit/list_items.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace brelix {
namespace {

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::optional<uint32_t> ReadValueNumber(std::string_view digits) {
  uint32_t number = 0;
  const char* first = digits.data();
  const char* last = first + digits.size();
  if (first == last || *first < '0' || *first > '9') return std::nullopt;
  const auto [end, error] = std::from_chars(first, last, number);
  if (error != std::errc() || end != last) return std::nullopt;
  return number;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool TextBefore(const TListItem& a, const TListItem& b) {
  return std::lexicographical_compare(
      a.Text.begin(), a.Text.end(), b.Text.begin(), b.Text.end(),
      [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
}

}  // namespace

TListItems BuildListItems(std::string_view itemText, bool audioOnly, bool sort) {
  TListItems items;
  std::optional<uint32_t> running;
  uint32_t position = 0;
  for (std::string_view line : SplitLines(itemText)) {
    const uint32_t linePosition = position++;
    if (line.starts_with('_')) continue;
    if (line.starts_with('-')) {
      if (audioOnly) continue;
      line.remove_prefix(1);
    }
    std::optional<uint32_t> number;
    const size_t hash = line.find('#');
    if (hash != std::string_view::npos) {
      number = ReadValueNumber(line.substr(hash + 1));
      line = line.substr(0, hash);
    }
    if (number) {
      running = number;
    } else if (running) {
      running = *running + 1;
    }
    items.push_back({std::string(line), running ? *running : linePosition});
  }
  if (sort) std::stable_sort(items.begin(), items.end(), TextBefore);
  return items;
}

int32_t FindListValue(const TListItems& items, uint32_t value) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].Value == value) return static_cast<int32_t>(i);
  }
  return -1;
}

}  // namespace brelix
