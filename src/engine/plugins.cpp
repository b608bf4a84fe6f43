#include "engine/plugins.h"

#include <lyrovo_plugin.h>

#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lyrovo {

namespace {

const LyrovoPluginInfo* pluginInfo(void* library) {
  auto entry = reinterpret_cast<LyrovoPluginInfoFunction>(dlsym(library, LYROVO_PLUGIN_ENTRY));
  if (!entry) return nullptr;
  const LyrovoPluginInfo* info = entry();
  if (!info || info->abi_version != LYROVO_PLUGIN_ABI_VERSION || !info->open || !info->read || !info->seek ||
      !info->close || (info->format_count > 0 && !info->formats))
    return nullptr;
  return info;
}

// A stream opened by a plug-in.
class PluginDecoder : public Decoder {
 public:
  PluginDecoder(const LyrovoPluginInfo* info, void* stream, const LyrovoStreamInfo& streamInfo,
                std::uintptr_t handle)
      : info_(info), stream_(stream), length_(std::max<std::int64_t>(streamInfo.length_frames, 0)) {
    format_ = {streamInfo.sample_rate, streamInfo.channels, streamInfo.type_code, handle};
  }
  ~PluginDecoder() override { info_->close(stream_); }

  StreamFormat format() const override { return format_; }
  std::int64_t lengthFrames() const override { return length_; }
  bool seek(std::int64_t frame) override { return info_->seek(stream_, frame) == 0; }
  std::int64_t read(std::int16_t* out, std::int64_t frames) override {
    return info_->read(stream_, out, frames);
  }

 private:
  const LyrovoPluginInfo* info_;
  void* stream_;
  std::int64_t length_;
  StreamFormat format_;
};

}  // namespace

PluginHost::~PluginHost() { freeAll(); }

bool PluginHost::probe(const QString& libraryPath, int timeoutMs) {
  const QByteArray native = QFile::encodeName(libraryPath);
  const pid_t child = ::fork();
  if (child < 0) return true;  // cannot probe: load it directly
  if (child == 0) {
    void* library = dlopen(native.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library) ::_exit(1);
    const LyrovoPluginInfo* info = pluginInfo(library);
    if (!info) ::_exit(1);
    // Touch every text of the format list, as loading will.
    std::size_t total = 0;
    for (std::uint32_t i = 0; i < info->format_count; ++i)
      total += std::strlen(info->formats[i].name ? info->formats[i].name : "") +
               std::strlen(info->formats[i].extensions ? info->formats[i].extensions : "");
    ::_exit(total > 0 || info->format_count == 0 ? 0 : 1);
  }
  // A child that does not finish within a few seconds (a plug-in that hangs
  // while loading) is ended, and the plug-in skipped, so start-up never hangs.
  int status = 0;
  for (int waited = 0;; ++waited) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (done < 0 && errno != EINTR) return false;
    if (waited >= timeoutMs) {
      ::kill(child, SIGKILL);
      while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      return false;
    }
    ::usleep(1000);
  }
}

std::uintptr_t PluginHost::load(const QString& path) {
  if (!QFileInfo(path).isFile() || !probe(path, probeTimeoutMs_)) return 0;
  void* library = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
  if (!library) return 0;
  const LyrovoPluginInfo* info = pluginInfo(library);
  if (!info) {
    dlclose(library);
    return 0;
  }
  auto plugin = std::make_unique<Plugin>();
  plugin->path = path;
  plugin->library = library;
  plugin->info = info;
  for (std::uint32_t i = 0; i < info->format_count; ++i) {
    const LyrovoFormat& format = info->formats[i];
    plugin->formats.push_back({format.type_code, QString::fromUtf8(format.name ? format.name : ""),
                               QString::fromUtf8(format.extensions ? format.extensions : "")});
  }
  plugins_.push_back(std::move(plugin));
  return reinterpret_cast<std::uintptr_t>(plugins_.back().get());
}

void PluginHost::freeAll() {
  for (auto& plugin : plugins_) dlclose(plugin->library);
  plugins_.clear();
}

std::vector<PluginFormat> PluginHost::formatsOf(std::uintptr_t handle) const {
  for (const auto& plugin : plugins_)
    if (reinterpret_cast<std::uintptr_t>(plugin.get()) == handle) return plugin->formats;
  return {};
}

std::unique_ptr<Decoder> PluginHost::open(const QString& path) const {
  const QByteArray utf8 = path.toUtf8();
  for (const auto& plugin : plugins_) {
    if (plugin->formats.empty()) continue;
    LyrovoStreamInfo info{};
    void* stream = plugin->info->open(utf8.constData(), &info);
    if (!stream) continue;
    if (info.sample_rate < 1 || info.channels < 1) {
      plugin->info->close(stream);
      continue;
    }
    return std::make_unique<PluginDecoder>(plugin->info, stream, info,
                                           reinterpret_cast<std::uintptr_t>(plugin.get()));
  }
  return nullptr;
}

}  // namespace lyrovo
