// Where the "Load Patch" and "Save Patch" dialogs start.
//
// The folder used last is the folder of the patch's own file whenever that file is known (it
// exists, or its folder does and it is not the default patch file "Brelix.tw" beside the plug-in
// that an instance starts with: "Init.tw" beside the patch it replaced counts), and otherwise
// the folder of the last file chosen in either dialog, by this instance or, before it has chosen
// one, by any instance in the process. With none of these, loading starts in the patch library
// and saving in the user's own patch folder ($XDG_DATA_HOME/brelix/patches/user), which is made
// then, as the dialog opens, and never otherwise.
//
// Saving never starts in the library or a folder the user cannot write: such a folder gives way
// to the folder used last, then to the user's patch folder, with the patch's file name proposed.
#pragma once

#include <string>

#include "ui/dialogs.h"

namespace brelix {

class TPatchDialogFolders {
 public:
  // The "Load Patch" dialog's options for the patch tied to `patch_file`.
  FileDialogOptions LoadOptions(const std::string& patch_file) const;
  // The "Save Patch" dialog's options; without `propose_name` the name box starts empty.
  FileDialogOptions SaveOptions(const std::string& patch_file, bool propose_name = true) const;
  // A file the user chose in either dialog: its folder is the one used last.
  void Remember(const std::string& chosen_file);

 private:
  std::string LastFolder() const;

  std::string last_folder_;
};

}  // namespace brelix
