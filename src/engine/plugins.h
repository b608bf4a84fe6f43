#pragma once

#include "engine/decoder.h"
#include "engine/pluginformat.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

struct LyrovoPluginInfo;

namespace lyrovo {

// The decoder plug-ins found in a folder: shared libraries named
// "lyrovo*.so" with the player's plug-in interface.
class PluginHost {
 public:
  PluginHost() = default;
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  struct Plugin {
    QString path;
    void* library = nullptr;
    const LyrovoPluginInfo* info = nullptr;
    std::vector<PluginFormat> formats;
  };

  // Loads one plug-in library; its handle, or 0 when the file is not a
  // plug-in of this interface version, or crashes while its format list is
  // read (checked in a child process first, so it cannot take the player down).
  std::uintptr_t load(const QString& path);
  // Unloads every plug-in. Decoders they opened must be gone before.
  void freeAll();

  const std::vector<std::unique_ptr<Plugin>>& plugins() const { return plugins_; }
  // The formats of the plug-in with that handle (empty for 0 or unknown handles).
  std::vector<PluginFormat> formatsOf(std::uintptr_t handle) const;

  // Opens path with the first plug-in that can decode it; null when none can.
  std::unique_ptr<Decoder> open(const QString& path) const;

  // Whether a library's format list can be read without the process
  // crashing or hanging: reads it in a child process first, which is ended
  // after timeoutMs.
  static bool probe(const QString& libraryPath, int timeoutMs);
  void setProbeTimeout(int milliseconds) { probeTimeoutMs_ = milliseconds; }

 private:
  std::vector<std::unique_ptr<Plugin>> plugins_;
  int probeTimeoutMs_ = 5000;
};

}  // namespace lyrovo
