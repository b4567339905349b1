// Leak checking in the pixel tests: fontconfig keeps its process-wide font
// cache through offset-encoded pointers that the leak checker cannot follow,
// so that cache shows up as a leak although it is in use until exit.
// (One definition per test binary; add further patterns here.)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
