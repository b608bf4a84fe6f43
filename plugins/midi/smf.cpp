#include "smf.h"

#include <algorithm>
#include <cstring>

namespace lyrovo::midi {

namespace {

constexpr std::int64_t kDefaultTempo = 500000;  // 120 beats a minute
constexpr std::int64_t kMaxTicks = 0x7fffffff;  // the player counts ticks in an int
constexpr std::int64_t kMaxMicros = 24LL * 3600 * 1000000;
constexpr std::uint32_t kMaxTracks = 128;  // the player's track limit

std::uint32_t be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint32_t be16(const std::uint8_t* p) { return (std::uint32_t{p[0]} << 8) | p[1]; }

// Reads one track chunk's body. Every read is checked against end.
class TrackReader {
 public:
  TrackReader(const std::uint8_t* data, std::size_t begin, std::size_t end)
      : data_(data), pos_(begin), end_(end) {}

  bool atEnd() const { return pos_ >= end_; }
  bool byte(std::uint32_t* value) {
    if (pos_ >= end_) return false;
    *value = data_[pos_++];
    return true;
  }
  void unread() { --pos_; }
  // A variable-length quantity of at most four bytes.
  bool varlen(std::uint32_t* value) {
    *value = 0;
    for (int i = 0; i < 4; ++i) {
      std::uint32_t b = 0;
      if (!byte(&b)) return false;
      *value = (*value << 7) | (b & 0x7f);
      if (!(b & 0x80)) return true;
    }
    return false;
  }
  bool skip(std::uint32_t count) {
    if (count > end_ - pos_) return false;
    pos_ += count;
    return true;
  }
  const std::uint8_t* here() const { return data_ + pos_; }

 private:
  const std::uint8_t* data_;
  std::size_t pos_;
  std::size_t end_;
};

// Reads one track's events; adds its tempo changes and returns the tick of
// its last event (the events the player keeps: channel messages, system
// exclusive data, text, lyrics, tempo and end of track), or -1 when broken.
// complete tells whether the chunk lies wholly inside the file.
std::int64_t readTrack(TrackReader& in, bool complete, std::vector<TempoChange>& tempos) {
  std::int64_t tick = 0;
  std::int64_t lastEvent = 0;
  std::uint32_t running = 0;
  while (!in.atEnd()) {
    std::uint32_t delta = 0;
    std::uint32_t status = 0;
    if (!in.varlen(&delta) || !in.byte(&status)) return -1;
    tick += delta;
    if (tick > kMaxTicks) return -1;
    if (status < 0x80) {  // running status: the byte is the first data byte
      if (running == 0) return -1;
      in.unread();
      status = running;
    }
    if (status == 0xff) {
      running = 0;
      std::uint32_t type = 0;
      std::uint32_t length = 0;
      if (!in.byte(&type) || !in.varlen(&length)) return -1;
      const std::uint8_t* body = in.here();
      if (!in.skip(length)) return -1;
      switch (type) {
        case 0x2f:  // end of track
          if (length != 0) return -1;
          return tick;
        case 0x51: {  // tempo
          if (length != 3) return -1;
          const std::int64_t tempo = (std::int64_t{body[0]} << 16) | (body[1] << 8) | body[2];
          if (tempo == 0) return -1;
          tempos.push_back({tick, tempo});
          lastEvent = tick;
          break;
        }
        case 0x01:  // text and lyrics reach the player; other texts do not
        case 0x05:
          lastEvent = tick;
          break;
        case 0x54:  // SMPTE offset, time and key signature: fixed lengths
          if (length != 5) return -1;
          break;
        case 0x58:
          if (length != 4) return -1;
          break;
        case 0x59:
          if (length != 2) return -1;
          break;
        default:
          break;
      }
    } else if (status == 0xf0) {
      running = 0;
      std::uint32_t length = 0;
      if (!in.varlen(&length) || !in.skip(length)) return -1;
      if (length > 0) lastEvent = tick;
    } else if (status > 0xf0) {
      return -1;  // the player knows no other system messages in files
    } else {
      running = status;
      const std::uint32_t kind = status & 0xf0;
      if (!in.skip(kind == 0xc0 || kind == 0xd0 ? 1 : 2)) return -1;
      lastEvent = tick;
    }
  }
  // Out of data without an end-of-track event: fine at the chunk's end,
  // broken when the file was cut short.
  return complete ? lastEvent : -1;
}

}  // namespace

std::int64_t SmfTiming::microsAt(std::int64_t tick) const {
  // The last tempo change at or before tick.
  auto next = std::upper_bound(tempos.begin(), tempos.end(), tick,
                               [](std::int64_t t, const TempoChange& change) { return t < change.tick; });
  if (next == tempos.begin()) return tick * kDefaultTempo / division;
  const TempoChange& change = *(next - 1);
  return (change.scaledMicros + (tick - change.tick) * change.microsPerQuarter) / division;
}

std::int64_t SmfTiming::tickAt(std::int64_t micros) const {
  const std::int64_t scaled = micros * division;
  // The last tempo change at or before that time.
  auto next =
      std::upper_bound(tempos.begin(), tempos.end(), scaled,
                       [](std::int64_t s, const TempoChange& change) { return s < change.scaledMicros; });
  if (next == tempos.begin()) return scaled / kDefaultTempo;
  const TempoChange& change = *(next - 1);
  return change.tick + (scaled - change.scaledMicros) / change.microsPerQuarter;
}

std::optional<SmfTiming> parseSmf(const std::uint8_t* data, std::size_t size) {
  if (!data || size < 14 || std::memcmp(data, "MThd", 4) != 0 || be32(data + 4) != 6) return std::nullopt;
  const std::uint32_t format = be16(data + 8);
  const std::uint32_t tracks = be16(data + 10);
  const std::uint32_t division = be16(data + 12);
  if (format > 2 || tracks == 0 || tracks > kMaxTracks) return std::nullopt;
  if (division == 0 || (division & 0x8000)) return std::nullopt;  // SMPTE time is not played

  SmfTiming timing;
  timing.division = division;
  std::size_t pos = 14;
  for (std::uint32_t found = 0; found < tracks;) {
    if (size - pos < 8) return std::nullopt;
    const std::uint8_t* id = data + pos;
    const std::size_t length = be32(data + pos + 4);
    pos += 8;
    if (std::any_of(id, id + 4, [](std::uint8_t c) { return c > 0x7f; })) return std::nullopt;
    const bool complete = length <= size - pos;
    if (std::memcmp(id, "MTrk", 4) == 0) {
      TrackReader in(data, pos, complete ? pos + length : size);
      const std::int64_t end = readTrack(in, complete, timing.tempos);
      if (end < 0) return std::nullopt;
      timing.endTick = std::max(timing.endTick, end);
      ++found;
    }
    // Other chunks are skipped; a chunk running past the end leaves no room
    // for the next track.
    pos = complete ? pos + length : size;
  }
  std::stable_sort(timing.tempos.begin(), timing.tempos.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  // Ticks stay below 2^31 and tempos below 2^24, so these sums cannot overflow.
  std::int64_t from = 0;
  std::int64_t tempo = kDefaultTempo;
  std::int64_t scaled = 0;
  for (TempoChange& change : timing.tempos) {
    scaled += (change.tick - from) * tempo;
    change.scaledMicros = scaled;
    from = change.tick;
    tempo = change.microsPerQuarter;
  }
  timing.endMicros = timing.microsAt(timing.endTick);
  if (timing.endMicros > kMaxMicros) return std::nullopt;
  return timing;
}

}  // namespace lyrovo::midi
