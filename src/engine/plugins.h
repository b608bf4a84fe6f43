#pragma once

#include "engine/decoder.h"
#include "engine/pluginformat.h"
#include "engine/pluginformatcache.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct LyrovoPluginInfo;

namespace lyrovo {

// The decoder plug-ins found in a folder: shared libraries named
// "lyrovo*.so" with the player's plug-in interface. A plug-in's format list
// is read in a child process (or taken from the format cache); the library
// itself is opened in the player only when a file first needs it, so
// plug-ins that a session never uses cost neither start-up time nor memory.
class PluginHost {
 public:
  PluginHost() = default;
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  struct Plugin {
    QString path;
    std::vector<PluginFormat> formats;
    // Set when a file first needs the plug-in (guarded by the host's lock).
    void* library = nullptr;
    const LyrovoPluginInfo* info = nullptr;
    bool unusable = false;
  };

  // Keeps what is learnt about plug-in files in that file between runs;
  // without it every load probes again.
  void setFormatCache(const QString& file) { cache_.emplace(file); }

  // Registers one plug-in library; its handle, or 0 when the file is not a
  // plug-in of this interface version, or crashes or hangs while its format
  // list is read (in a child process, so it cannot take the player down).
  std::uintptr_t load(const QString& path);
  // Unloads every plug-in. Decoders they opened must be gone before.
  void freeAll();

  const std::vector<std::unique_ptr<Plugin>>& plugins() const { return plugins_; }
  // The formats of the plug-in with that handle (empty for 0 or unknown handles).
  std::vector<PluginFormat> formatsOf(std::uintptr_t handle) const;

  // Opens path with the first plug-in that can decode it; null when none can.
  std::unique_ptr<Decoder> open(const QString& path) const;

  // A library's format list, read in a child process that is ended after
  // timeoutMs; nothing when it is no plug-in of this interface version, or
  // crashes or hangs while listing.
  static std::optional<std::vector<PluginFormat>> probe(const QString& libraryPath, int timeoutMs);
  void setProbeTimeout(int milliseconds) { probeTimeoutMs_ = milliseconds; }

 private:
  // The plug-in's table, opening the library on first use; null when it
  // cannot be opened (then it is never tried again).
  const LyrovoPluginInfo* opened(Plugin& plugin) const;

  std::vector<std::unique_ptr<Plugin>> plugins_;
  std::optional<PluginFormatCache> cache_;
  int probeTimeoutMs_ = 5000;
  mutable std::mutex openMutex_;
};

}  // namespace lyrovo
