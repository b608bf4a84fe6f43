// A plug-in that crashes while the player reads its format list.
#include <lyrovo_plugin.h>

#include <csignal>

extern "C" __attribute__((visibility("default"))) const LyrovoPluginInfo* lyrovo_plugin_info(void) {
  std::raise(SIGSEGV);
  return nullptr;
}
