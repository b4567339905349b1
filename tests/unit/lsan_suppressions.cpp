// Leak-check suppressions of the unit test binary (used only by sanitizer
// builds): Qt's font lookup keeps fontconfig's cache until exit on purpose.
// One definition per test binary; add further libraries to this string.

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
