// A small module for the module and resource seam tests: one entry point and,
// through the build, a resource table of its own.
extern "C" __attribute__((visibility("default"))) int SeamModuleAnswer() {
  return 42;
}
