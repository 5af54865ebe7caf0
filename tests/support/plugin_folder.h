// A temporary folder that stands in for the plug-in's own folder (PluginDirectory), where an
// instance looks for Brelix.Ini and Brelix.tw, for the lifetime of the object.
#pragma once

#include <string>

#include "plugin/plugin_module.h"
#include "support/temp_folder.h"

namespace brelix::testing {

class PluginFolder : public TempFolder {
 public:
  PluginFolder() : saved_(PluginDirectory) { PluginDirectory = dir(); }
  ~PluginFolder() { PluginDirectory = saved_; }

 private:
  std::string saved_;
};

}  // namespace brelix::testing
