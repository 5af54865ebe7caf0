// The INI reader and writer: any bytes read, written back, read again and written again give the
// same text the second time (a rewrite keeps what it read).
#include <cstdlib>
#include <string_view>

#include "patch/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  brelix::TIniFile first;
  try {
    first.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const brelix::FileError&) {
    return 0;  // not a text file: refused with its reason, as it should be
  }
  first.WriteValue("Fuzz", "Key", "Value");
  const std::string written = first.SaveToBytes();
  brelix::TIniFile second;
  second.LoadFromBytes(written);
  if (second.SaveToBytes() != written) std::abort();
  if (second.ReadValue("fuzz", "KEY") != std::optional<std::string>("Value")) std::abort();
  return 0;
}
