// Leak reports the sanitizer build leaves out: the font matching library
// and the text layout library keep caches of fonts and patterns for the
// life of the process, in tables the leak checker cannot follow. Drawing
// text many thousands of times holds memory level, so these are caches,
// not leaks. Only the sanitizer runtime calls this.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libpango-1.0.so\n";
}
