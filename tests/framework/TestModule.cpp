// A tiny plug-in with known exports, loaded by the module-loading tests.
extern "C" __attribute__((visibility("default"))) int ZebTestModuleAnswer() { return 42; }
extern "C" __attribute__((visibility("default"))) int ZebTestModuleTwice(int value) {
  return 2 * value;
}
