// A module with no resources of its own that depends on one that has them: a
// lookup through it must not find its dependency's resources.
extern "C" int SeamModuleAnswer();

extern "C" TEST_MODULE_EXPORT int BareModuleAnswer() {
  return SeamModuleAnswer() + 1;
}
