// The patch page: each patch's whole description taken from its leading comment, the page in docs/
// the one the patches' comments make now, and a readable picture beside every patch.
#include <cairo.h>
#include <gtest/gtest.h>

#include <string>

#include "patch_page.h"
#include "support/temp_folder.h"

namespace brelix {
namespace {

TEST(PatchPage, TakesTheWholeDescriptionFromTheComment) {
  const struct {
    const char* file;
    const char* name;
    const char* text;
  } cases[] = {
      {"; Acid Bass: a saw, short decay.\n; Mod wheel: opens the filter.\n; measured: level=-27\n[Voice]\n",
       "Acid Bass", "A saw, short decay."},
      // Over several lines up to the controls' line, with any line ends.
      {"; Round Bass: a saw at 300 Hz\r\n; at middle C; envelope 1 opens it.\r\n;  Pitch bend up 2.  \r\n"
       "; Mod wheel and pressure: nothing.\r\n",
       "Round Bass", "A saw at 300 Hz at middle C; envelope 1 opens it. Pitch bend up 2."},
      {"; Pad: slow\r; and warm.\r; Mod wheel: nothing.\r", "Pad", "Slow and warm."},
      // Blank comment lines before it are skipped; one after it, or the measured line, ends it.
      {";\n; \n; Pad: slow.\n;\n; Loud.\n", "Pad", "Slow."},
      {"; Pad: slow.\n; measured: hold=2\n", "Pad", "Slow."},
      // Without a name the file's stem names it; without a comment there is nothing to say.
      {"; just a sound.\n", "stem", "Just a sound."},
      {"[Voice]\n; Late: comment.\n", "stem", ""},
      {";", "stem", ""},
      {"", "stem", ""},
  };
  for (const auto& c : cases) {
    TIniFile patch;
    patch.LoadFromBytes(c.file);
    const PatchDescription described = DescribedPatch(patch, "stem");
    EXPECT_EQ(described.Name, c.name) << c.file;
    EXPECT_EQ(described.Text, c.text) << c.file;
  }
}

TEST(PatchPage, EveryShippedPatchHasWholeSentences) {
  for (const PatchFamily& family : PatchFamilies(BRELIX_PATCHES_DIR))
    for (const auto& file : family.Files) {
      const PatchDescription described = DescribedPatch(TIniFile(file.string()), "");
      EXPECT_FALSE(described.Name.empty()) << file;
      EXPECT_TRUE(described.Text.ends_with('.')) << file << ": \"" << described.Text << "\"";
    }
}

TEST(PatchPage, TheDocumentIsTheGeneratedOneWithAPictureOfEveryPatch) {
  const std::string docs = BRELIX_DOCS_DIR;
  EXPECT_TRUE(testing::ReadBytes(docs + "/patches.md") == PatchPageMarkdown(BRELIX_PATCHES_DIR))
      << "docs/patches.md is out of date; regenerate it and its pictures with\n"
         "  build/tools/brelix-patch-doc build/Brelix64.so patches docs";
  for (const PatchFamily& family : PatchFamilies(BRELIX_PATCHES_DIR))
    for (const auto& file : family.Files) {
      const std::string picture = docs + "/" + PicturePath(family, file).string();
      cairo_surface_t* image = cairo_image_surface_create_from_png(picture.c_str());
      EXPECT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS) << picture;
      EXPECT_GE(cairo_image_surface_get_width(image), 480) << picture;
      cairo_surface_destroy(image);
    }
}

}  // namespace
}  // namespace brelix
