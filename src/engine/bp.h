#pragma once

#include "base/errorlog.h"
#include "base/prompts.h"
#include "engine/backend.h"
#include "engine/tags.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace lyrovo {

// The audio engine as the rest of the player uses it: one playback stream
// (played, paused, positioned; levels and sample data describe it) and one
// information stream (only read for tags, length and format of another
// file). Members named after the operations the player calls.
class BP {
 public:
  BP(Prompts& prompts, TagFields& tags, const ErrorLog* log = nullptr);
  ~BP();
  BP(const BP&) = delete;
  BP& operator=(const BP&) = delete;

  // Starts the output and loads the plug-ins of the folder pluginDir (none when it
  // is empty), appending each plug-in format to filter ("|name (exts)|exts") and list
  // (";exts"). pump runs after each entry of the plug-in folder. Without a
  // sound device the player carries on silently (after telling the user).
  void aInit(int device, int sampleRate, const QString& pluginDir, QString& filter, QString& list,
             const std::function<void()>& pump = {});
  void aTerminate();
  // The plug-in folder of a portable run: parent + "Plugins/", one "/" between.
  static QString pluginFolder(const QString& parent);

  void aOpen(const QString& path);
  void aPlay();
  void aPause();
  void aStop();  // stops and rewinds
  void aClose();
  void aOpen2(const QString& path);
  void aClose2();

  void aGetTags(const QString& path);
  void aSetTags(const QString& path, const Id3v1Fields& fields);
  void aGetInfos(const QString& path, bool playbackStream);

  // Spectrum into array[1..]: count 256 gives 256 magnitudes, 512 gives
  // 1024; any other count gives nothing. array holds at least 1025 values.
  bool aDataFFT(float* array, int count);
  // count 16-bit samples heard (interleaved for stereo) into array[1..count]; count ≤ 1024.
  bool aData(std::int16_t* array, int count);
  void aError_(const QString& message);

  int aVolumn() const;
  void setAVolumn(int volume);  // clamped to 0..100
  int aBufferLen() const { return bufferLen; }
  void setABufferLen(int length) { bufferLen = length; }
  // Position and length of the playback stream in bytes; -1 when no stream is open
  // (so a position set then is out of range and ignored).
  std::int64_t aPosByte() const;
  void setAPosByte(std::int64_t position);
  float aPosTime() const;
  void setAPosTime(float seconds);
  std::int64_t alenByte() const;
  float alenTime() const { return lenTime; }
  const QString& aFileName() const { return fileName; }
  const QString& aFiletype() const { return fileType; }
  const QString& achanMod() const { return chanModText; }
  bool aIsActive() const { return backend_.isActive(hStream) == 1; }
  bool aIsStalled() const { return backend_.isActive(hStream) == 2; }
  bool aIsPaused() const { return backend_.isActive(hStream) == 3; }
  bool aIsStopped() const { return backend_.isActive(hStream) == 0; }
  std::int32_t aLlevel() const;
  std::int32_t aRlevel() const;

  // The formats the plug-in that decodes the playback or information stream offers.
  std::vector<PluginFormat> pluginFormats(std::uintptr_t plugin) const;
  AudioBackend& backend() { return backend_; }

  std::uint32_t hStream = 0;
  int bufferLen = 0;
  std::uint32_t hInfoStream = 0;
  QString infoFileName;
  QString chanModText;
  QString fileType;
  QString fileName;
  float lenTime = 0;
  StreamFormat chanInfo;
  QString Tag;  // full path of the file the player last opened

 private:
  AudioBackend backend_;
  Prompts& prompts_;
  TagFields& tags_;
  const ErrorLog* log_;
};

}  // namespace lyrovo
