// A small module for the module and resource seam tests: one entry point and,
// through the build, a resource table of its own.
extern "C" TEST_MODULE_EXPORT int SeamModuleAnswer() {
  return 42;
}
