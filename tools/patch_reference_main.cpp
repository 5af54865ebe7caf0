// brelix-patch-reference: prints the patch file reference (docs/patch-reference.md).
#include <cstdio>
#include <exception>

#include "patch_reference.h"

int main() {
  try {
    std::fputs(brelix::PatchReferenceMarkdown().c_str(), stdout);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "brelix-patch-reference: %s\n", error.what());
    return 1;
  }
}
