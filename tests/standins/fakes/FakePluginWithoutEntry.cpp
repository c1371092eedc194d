// A loadable library that exports something, but no PluginMain.
extern "C" __attribute__((visibility("default"))) int standinFakeNotAnEntryPoint() { return 0; }
