// The patch reference in docs/ is what the generator makes of the code's own key list and codes:
// a key added to the reader without a description, or a document left behind, fails here.
#include <gtest/gtest.h>

#include <string>

#include "patch_reference.h"
#include "support/temp_folder.h"

namespace brelix {
namespace {

TEST(PatchReference, TheDocumentIsTheGeneratedOne) {
  const std::string document = testing::ReadBytes(BRELIX_DOCS_DIR "/patch-reference.md");
  const std::string generated = PatchReferenceMarkdown();
  EXPECT_TRUE(document == generated) << "docs/patch-reference.md is out of date; regenerate it with\n"
                                        "  build/tools/brelix-patch-reference > docs/patch-reference.md";
}

}  // namespace
}  // namespace brelix
