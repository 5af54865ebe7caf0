#include "plugin/plugin_module.h"

#include <cpuid.h>
#include <dlfcn.h>
#include <unistd.h>

#include <vector>

namespace brelix {

std::string ModuleFileName;
std::string PluginDirectory;
std::atomic<bool> LibraryInitialized{false};

namespace {

// An address inside this library for dladdr to place.
void ModuleAnchor() {}

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (buffer.size() > (1u << 20)) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

}  // namespace

void LocateModule() {
  Dl_info info{};
  std::string name;
  if (dladdr(reinterpret_cast<void*>(&ModuleAnchor), &info) != 0 && info.dli_fname != nullptr)
    name = info.dli_fname;
  // A library opened by a relative name reports that name; anchor it to the working directory
  // now, before anyone changes it.
  if (!name.empty() && name.front() != '/') {
    std::string cwd = CurrentDirectory();
    if (!cwd.empty()) name = cwd + (cwd.back() == '/' ? "" : "/") + name;
  }
  ModuleFileName = name;
  size_t slash = name.rfind('/');
  PluginDirectory = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

bool CheckSSE3() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
  return (ecx & bit_SSE3) != 0;
}

}  // namespace brelix
