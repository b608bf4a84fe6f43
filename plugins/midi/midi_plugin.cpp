// Decoder plug-in for Standard MIDI Files: FluidSynth's player drives a
// synthesizer with the system's General MIDI sound font, rendered to 44.1 kHz
// stereo signed 16-bit samples.
//
// The stream lasts from the start to the file's last event (timed with the
// file's own tempo map) plus one second, so notes released at the end ring
// out. Seeking starts a fresh synthesizer and lets the player jump to the
// tick of the target frame: the position is exact, but notes struck before
// that tick stay silent.

#include "smf.h"

#include <lyrovo_plugin.h>

#include <fluidsynth.h>

#include <dirent.h>
#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int64_t kTailFrames = kRate;            // release time after the last event
constexpr long kMaxFileBytes = 8L * 1024 * 1024;  // far above any real song
constexpr const char* kSoundFontFolder = "/usr/share/sounds/sf2";
constexpr const char* kSoundFontReference = "soundfont.sf2";  // beside the plug-in

constexpr LyrovoFormat kFormats[] = {{0x00120001, "MIDI", "*.mid;*.midi"}};

bool isReadableFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

// The folder this plug-in was loaded from, ending in "/"; empty if unknown.
std::string ownFolder() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<const void*>(&isReadableFile), &info) == 0 || !info.dli_fname) return {};
  const std::string path = info.dli_fname;
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The sound font the plug-in folder names ("soundfont.sf2", usually a link
// an installation puts there), else the General MIDI sound font Debian
// installs (timgm6mb-soundfont), else the one the alternatives system names,
// else any other in the folder (first by name); empty when there is none.
std::string findSoundFont() {
  if (const std::string own = ownFolder(); !own.empty() && isReadableFile(own + kSoundFontReference))
    return own + kSoundFontReference;
  const std::string folder = kSoundFontFolder;
  for (const char* name : {"TimGM6mb.sf2", "default-GM.sf2"})
    if (isReadableFile(folder + "/" + name)) return folder + "/" + name;
  std::vector<std::string> found;
  if (DIR* dir = ::opendir(kSoundFontFolder)) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".sf2") == 0 &&
          isReadableFile(folder + "/" + name))
        found.push_back(folder + "/" + name);
    }
    ::closedir(dir);
  }
  std::sort(found.begin(), found.end());
  return found.empty() ? std::string() : found.front();
}

// Looked up once per process (function-local statics initialise
// thread-safely). Only file look-ups: the player may call this in a child
// process it forked to try the plug-in.
const std::string& soundFont() {
  static const std::string path = findSoundFont();
  return path;
}

// Silences FluidSynth's log and runs its own one-time set-up, once, so
// threads opening their first streams at the same moment do not race inside it.
void prepareSynthesizer() {
  static const bool prepared = [] {
    // A null handler is FluidSynth's no-op. A function of this module would
    // dangle once the player unloads the plug-in: libfluidsynth stays loaded.
    for (int level = 0; level < LAST_LOG_LEVEL; ++level) fluid_set_log_function(level, nullptr, nullptr);
    if (fluid_settings_t* settings = new_fluid_settings()) {
      delete_fluid_synth(new_fluid_synth(settings));
      delete_fluid_settings(settings);
    }
    return true;
  }();
  (void)prepared;
}

// The whole file when it is a regular file starting with "MThd".
bool readFile(const char* path, std::vector<uint8_t>* data) {
  struct stat status {};
  if (::stat(path, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 14 ||
      status.st_size > kMaxFileBytes)
    return false;
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  // Other formats are turned away after four bytes.
  uint8_t magic[4] = {};
  size_t got = std::fread(magic, 1, 4, file);
  if (got == 4 && std::memcmp(magic, "MThd", 4) == 0) {
    data->resize(static_cast<size_t>(status.st_size));
    std::memcpy(data->data(), magic, 4);
    got += std::fread(data->data() + 4, 1, data->size() - 4, file);
    data->resize(got);
  }
  std::fclose(file);
  return data->size() > 4;
}

class MidiStream {
 public:
  MidiStream(std::vector<uint8_t> file, lyrovo::midi::SmfTiming timing)
      : file_(std::move(file)),
        timing_(std::move(timing)),
        length_((timing_.endMicros * kRate + 500000) / 1000000 + kTailFrames) {}
  ~MidiStream() {
    stop();
    delete_fluid_settings(settings_);
  }
  MidiStream(const MidiStream&) = delete;
  MidiStream& operator=(const MidiStream&) = delete;

  bool start(int64_t frame);
  int64_t read(int16_t* out, int64_t frames);
  int seek(int64_t frame);
  int64_t length() const { return length_; }

 private:
  void stop();

  std::vector<uint8_t> file_;
  lyrovo::midi::SmfTiming timing_;
  int64_t length_;
  int64_t position_ = 0;
  bool failed_ = false;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_player_t* player_ = nullptr;
};

void MidiStream::stop() {
  // The player hangs on the synthesizer's sample timer: it goes first.
  if (player_) delete_fluid_player(player_);
  if (synth_) delete_fluid_synth(synth_);
  player_ = nullptr;
  synth_ = nullptr;
}

// A fresh synthesizer (so nothing of the previous position sounds on) and a
// player positioned at frame.
bool MidiStream::start(int64_t frame) {
  stop();
  if (!settings_) {
    settings_ = new_fluid_settings();
    if (!settings_) return false;
    // No audio driver, MIDI driver or shell is ever created: the samples are
    // pulled with fluid_synth_write_s16, one thread per stream.
    fluid_settings_setnum(settings_, "synth.sample-rate", kRate);
    fluid_settings_setint(settings_, "synth.audio-channels", 1);
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
    fluid_settings_setint(settings_, "synth.lock-memory", 0);
    fluid_settings_setint(settings_, "synth.verbose", 0);
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    // Resetting at the song's end would cut the release tail.
    fluid_settings_setint(settings_, "player.reset-synth", 0);
  }
  synth_ = new_fluid_synth(settings_);
  if (!synth_ || fluid_synth_sfload(synth_, soundFont().c_str(), 1) == FLUID_FAILED) return false;
  position_ = frame;
  const int64_t micros = frame * 1000000 / kRate;
  if (micros > timing_.endMicros) return true;  // in the tail: nothing left to play
  player_ = new_fluid_player(synth_);
  if (!player_ || fluid_player_add_mem(player_, file_.data(), file_.size()) != FLUID_OK) return false;
  const int64_t tick = timing_.tickAt(micros);
  if (tick > 0 &&
      fluid_player_seek(player_, static_cast<int>(std::min<int64_t>(tick, 0x7fffffff))) != FLUID_OK)
    return false;
  return fluid_player_play(player_) == FLUID_OK;
}

int64_t MidiStream::read(int16_t* out, int64_t frames) {
  if (failed_) return -1;
  if (!out || frames <= 0) return 0;
  const int64_t total = std::min(frames, length_ - position_);
  int64_t done = 0;
  while (done < total) {
    const int chunk = static_cast<int>(std::min<int64_t>(total - done, 4096));
    int16_t* at = out + done * kChannels;
    if (fluid_synth_write_s16(synth_, chunk, at, 0, kChannels, at, 1, kChannels) != FLUID_OK) {
      failed_ = true;
      break;
    }
    done += chunk;
  }
  position_ += done;
  return done > 0 || !failed_ ? done : -1;
}

int MidiStream::seek(int64_t frame) {
  if (frame < 0 || frame > length_) return -1;
  failed_ = !start(frame);
  return failed_ ? -1 : 0;
}

void* pluginOpen(const char* path, LyrovoStreamInfo* info) {
  if (!path || !info || soundFont().empty()) return nullptr;
  std::vector<uint8_t> file;
  if (!readFile(path, &file)) return nullptr;
  prepareSynthesizer();
  auto timing = lyrovo::midi::parseSmf(file.data(), file.size());
  if (!timing) return nullptr;
  auto stream = std::make_unique<MidiStream>(std::move(file), std::move(*timing));
  if (!stream->start(0)) return nullptr;
  info->sample_rate = kRate;
  info->channels = kChannels;
  info->type_code = kFormats[0].type_code;
  info->length_frames = stream->length();
  return stream.release();
}

int64_t pluginRead(void* stream, int16_t* out, int64_t frames) {
  return stream ? static_cast<MidiStream*>(stream)->read(out, frames) : -1;
}

int pluginSeek(void* stream, int64_t frame) {
  return stream ? static_cast<MidiStream*>(stream)->seek(frame) : -1;
}

void pluginClose(void* stream) { delete static_cast<MidiStream*>(stream); }

constexpr LyrovoPluginInfo kInfo{
    LYROVO_PLUGIN_ABI_VERSION, std::size(kFormats), kFormats, pluginOpen, pluginRead, pluginSeek, pluginClose,
};
// Without a sound font the plug-in offers no format.
constexpr LyrovoPluginInfo kNoFormats{
    LYROVO_PLUGIN_ABI_VERSION, 0, kFormats, pluginOpen, pluginRead, pluginSeek, pluginClose,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const LyrovoPluginInfo* lyrovo_plugin_info(void) {
  return soundFont().empty() ? &kNoFormats : &kInfo;
}
