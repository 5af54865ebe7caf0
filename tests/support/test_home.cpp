// Every test program runs with user folders of the build's own (build/test-home/): no test reads
// the settings or the patch library of the machine's user, or makes folders in the home folder.
// Programs the tests start inherit them. Tests that need a library or a user's settings set the
// variables to folders of their own.
#include <stdlib.h>

namespace {

struct TestHome {
  TestHome() {
    ::unsetenv("BRELIX_LIBRARY");
    ::setenv("XDG_CONFIG_HOME", BRELIX_TEST_HOME "/config", 1);
    ::setenv("XDG_DATA_HOME", BRELIX_TEST_HOME "/data", 1);
    // The system's own data stays: the desktop's dialog programs (zenity) find their icons and
    // image loaders there. The patch library is installed under /usr/local/share, never here.
    ::setenv("XDG_DATA_DIRS", BRELIX_TEST_HOME "/share:/usr/share", 1);
  }
} test_home;

}  // namespace
