#pragma once

#include "engine/pluginformat.h"

#include <QString>

#include <map>
#include <vector>

namespace lyrovo {

// What earlier runs learnt about each plug-in file: its format list, or
// that it is no usable plug-in. Start-up then needs neither a probe process
// nor the library itself; an entry counts only while the file keeps its
// size and modification time. A missing or damaged cache file is an empty
// cache.
class PluginFormatCache {
 public:
  struct Entry {
    qint64 size = 0;
    qint64 modifiedMs = 0;
    bool usable = false;
    std::vector<PluginFormat> formats;
  };

  // An empty file name keeps the cache in memory only.
  explicit PluginFormatCache(QString file);

  // The entry for that file if it was stored with the same size and time;
  // failing that, one stored for a file of the same name, size and time in
  // another folder (a copied program folder).
  const Entry* find(const QString& path, qint64 size, qint64 modifiedMs);
  void store(const QString& path, Entry entry);
  // Writes the file (atomically) when something was stored since the last
  // write; entries of files that are gone are left out. Failures are
  // ignored: the cache only saves time.
  void save();

 private:
  void read();

  QString file_;
  std::map<QString, Entry> entries_;
  bool read_ = false;
  bool changed_ = false;
};

}  // namespace lyrovo
