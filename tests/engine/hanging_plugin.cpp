// A plug-in that never returns from reading its format list.
#include <lyrovo_plugin.h>

#include <unistd.h>

extern "C" __attribute__((visibility("default"))) const LyrovoPluginInfo* lyrovo_plugin_info(void) {
  for (;;) ::pause();
}
