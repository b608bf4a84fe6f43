// Timing of a Standard MIDI File: the tempo map and the tick of the last
// event, read with every length and offset checked against the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace lyrovo::midi {

struct TempoChange {
  std::int64_t tick = 0;
  std::int64_t microsPerQuarter = 0;
  // Microseconds × division from tick 0 to tick: kept undivided so that
  // conversions do not accumulate rounding.
  std::int64_t scaledMicros = 0;
};

struct SmfTiming {
  std::int64_t division = 0;        // ticks per quarter note
  std::vector<TempoChange> tempos;  // sorted by tick, merged over all tracks
  std::int64_t endTick = 0;         // tick of the last event of the longest track
  std::int64_t endMicros = 0;       // endTick in microseconds
  std::int64_t microsAt(std::int64_t tick) const;
  std::int64_t tickAt(std::int64_t micros) const;
};

// Parses an SMF; nothing when the data is not one the synthesizer's player
// accepts (no "MThd", SMPTE time division, a truncated track, an unknown
// status byte, a malformed meta event, more than 128 tracks, longer than a day).
std::optional<SmfTiming> parseSmf(const std::uint8_t* data, std::size_t size);

}  // namespace lyrovo::midi
