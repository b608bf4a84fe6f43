#include "engine/bp.h"

#include "base/apppaths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>

namespace lyrovo {

BP::BP(Prompts& prompts, TagFields& tags, const ErrorLog* log) : prompts_(prompts), tags_(tags), log_(log) {}

BP::~BP() { aTerminate(); }

void BP::aInit(int device, int sampleRate, const QString& pluginDir, QString& filter, QString& list,
               const std::function<void()>& pump) {
  if ((AudioBackend::version() >> 16) != 0x0203) {
    prompts_.message(Prompts::Icon::Critical, Prompts::Buttons::Ok, QStringLiteral("Error"),
                     QStringLiteral("Audio engine 2.3 was not found."));
    std::exit(1);
  }
  if (!backend_.init(device, sampleRate)) {
    prompts_.message(Prompts::Icon::Critical, Prompts::Buttons::Ok, QStringLiteral("Error"),
                     QStringLiteral("Cannot initialize playback device."));
    // Play on without sound, so that times, lyrics and the playlist still work.
    backend_.initSilent(sampleRate);
  }

  if (pluginDir.isEmpty()) return;
  const QString folder = withSlash(pluginDir);
  const QDir dir(folder);
  const QStringList names = dir.entryList(
      {QStringLiteral("lyrovo*.so")}, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted);
  for (const QString& name : names) {
    const QString path = folder + name;
    if (!QFileInfo(path).isDir()) {
      if (const std::uintptr_t plugin = backend_.plugins().load(path)) {
        for (const PluginFormat& format : backend_.plugins().formatsOf(plugin)) {
          filter += u'|' + format.name + QStringLiteral(" (") + format.extensions + QStringLiteral(")|") +
                    format.extensions;
          list += u';' + format.extensions;
        }
      }
    }
    if (pump) pump();
  }
}

QString BP::pluginFolder(const QString& parent) { return AppPaths::portablePluginFolder(parent); }

void BP::aTerminate() { backend_.free(); }

void BP::aOpen(const QString& path) {
  fileName = path.toLower();
  fileType = fileTypeOf(path);
  hStream = backend_.streamCreateFile(path);
  if (hStream == 0) return;
  lenTime = float(backend_.bytes2Seconds(hStream, backend_.getLength(hStream)));
  if (const auto info = backend_.channelInfo(hStream)) chanInfo = *info;
  aGetInfos(path, true);
  backend_.preBuf(hStream, bufferLen);
}

void BP::aPlay() {
  if (hStream != 0) backend_.play(hStream, false);
}

void BP::aPause() {
  if (hStream != 0) backend_.pause(hStream);
}

void BP::aStop() {
  if (hStream == 0) return;
  backend_.stop(hStream);
  setAPosByte(0);
}

void BP::aClose() {
  if (hStream != 0) backend_.streamFree(hStream);
}

void BP::aOpen2(const QString& path) {
  infoFileName = path.toLower();
  fileType = fileTypeOf(path);
  hInfoStream = backend_.streamCreateFile(path);
  if (hInfoStream == 0) return;
  if (const auto info = backend_.channelInfo(hInfoStream)) chanInfo = *info;
}

void BP::aClose2() {
  if (hInfoStream != 0) backend_.streamFree(hInfoStream);
}

void BP::aGetTags(const QString& path) {
  const std::int64_t length = backend_.getLength(hInfoStream);
  const double seconds = length > 0 ? backend_.bytes2Seconds(hInfoStream, length) : 0;
  GetTags(tags_, path, fileType, seconds, log_);
}

void BP::aSetTags(const QString& path, const Id3v1Fields& fields) {
  // The type of the file written, not the engine's: another file may have
  // been opened since this one was read.
  if (fileTypeOf(path) == QLatin1String("mp3")) WriteID3v1(path, fields);
}

void BP::aGetInfos(const QString& path, bool playbackStream) {
  double seconds = lenTime;
  if (!playbackStream) {
    const std::int64_t length = backend_.getLength(hInfoStream);
    seconds = length > 0 ? backend_.bytes2Seconds(hInfoStream, length) : 0;
  }
  const QString typeName = CTypeName(chanInfo.typeCode, backend_.plugins().formatsOf(chanInfo.plugin));
  GetInfos(tags_, path, chanInfo.sampleRate, chanInfo.channels, typeName, seconds);
  chanModText = tags_.infoChannels;
}

bool BP::aDataFFT(float* array, int count) {
  const int bins = count == 256 ? 256 : count == 512 ? 1024 : 0;
  if (bins == 0) return false;
  return backend_.getFft(hStream, array + 1, bins);
}

bool BP::aData(std::int16_t* array, int count) {
  if (count < 1 || count > 1024) return false;
  return backend_.getSamples(hStream, array + 1, count);
}

void BP::aError_(const QString& message) {
  prompts_.message(Prompts::Icon::Critical, Prompts::Buttons::Ok, QStringLiteral("Lyrovo"), message);
}

int BP::aVolumn() const { return backend_.getVolume(); }

void BP::setAVolumn(int volume) { backend_.setVolume(std::clamp(volume, 0, 100)); }

std::int64_t BP::aPosByte() const { return backend_.getPosition(hStream); }

void BP::setAPosByte(std::int64_t position) {
  const std::int64_t length = alenByte();
  if (position < 0 || position > length) return;
  if (!backend_.setPosition(hStream, position)) aError_(QStringLiteral("无法设置进度！"));
}

float BP::aPosTime() const { return float(std::max(backend_.bytes2Seconds(hStream, aPosByte()), 0.0)); }

void BP::setAPosTime(float seconds) {
  if (seconds < 0 || seconds > lenTime || backend_.getLength(hStream) < 0) return;
  // The length in seconds is a float, which can round past the last byte of
  // a long stream: a seek to it lands on the end itself.
  const std::int64_t bytes = std::min(backend_.seconds2Bytes(hStream, seconds), backend_.getLength(hStream));
  if (!backend_.setPosition(hStream, bytes)) aError_(QStringLiteral("无法设置进度！"));
}

std::int64_t BP::alenByte() const { return backend_.getLength(hStream); }

std::int32_t BP::aLlevel() const {
  const std::uint32_t level = backend_.getLevel(hStream);
  return level == 0 ? 0 : std::int32_t(level & 0xFFFF);
}

std::int32_t BP::aRlevel() const {
  const std::uint32_t level = backend_.getLevel(hStream);
  return level == 0 ? 0 : (std::int32_t(level) / 65536) & 0xFFFF;
}

std::vector<PluginFormat> BP::pluginFormats(std::uintptr_t plugin) const {
  return backend_.plugins().formatsOf(plugin);
}

}  // namespace lyrovo
