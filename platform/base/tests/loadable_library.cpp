// A library for the loader's tests to load: one exported function.
extern "C" __attribute__((visibility("default"))) int LoadableLibraryAnswer() { return 42; }
