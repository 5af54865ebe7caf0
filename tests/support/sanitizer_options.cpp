// Leak-checker suppressions for every test program: memory that system libraries keep for the
// life of the process and that is not ours to free.
//
// fontconfig keeps a few hundred bytes for each font face it resolves for Cairo, once per
// process; the amount does not grow with use.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
