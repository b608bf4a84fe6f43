/* The C interface between the player and its decoder plug-ins.
 *
 * A plug-in is a shared library named "lyrovo*.so" in the player's Plugins/
 * folder. It exports one function, lyrovo_plugin_info(), returning a table
 * that lives as long as the library is loaded. The player checks abi_version
 * before it uses anything else in the table.
 *
 * Decoding hands out interleaved signed 16-bit samples at the stream's own
 * sample rate and channel count. All calls for one stream come from one
 * thread at a time; different streams may be used from different threads. */
#ifndef LYROVO_PLUGIN_H
#define LYROVO_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define LYROVO_PLUGIN_ABI_VERSION 1u

typedef struct LyrovoFormat {
  uint32_t type_code;     /* stream type code reported for streams of this format */
  const char* name;       /* display name, UTF-8, e.g. "Windows Media Audio" */
  const char* extensions; /* patterns joined by ";", e.g. "*.wma" or "*.mid;*.midi" */
} LyrovoFormat;

typedef struct LyrovoStreamInfo {
  int32_t sample_rate;   /* Hz */
  int32_t channels;      /* 1 or more */
  uint32_t type_code;    /* one of the plug-in's formats */
  int64_t length_frames; /* total sample frames; -1 when unknown */
} LyrovoStreamInfo;

typedef struct LyrovoPluginInfo {
  uint32_t abi_version; /* LYROVO_PLUGIN_ABI_VERSION */
  uint32_t format_count;
  const LyrovoFormat* formats;
  /* Opens path (UTF-8) for decoding; NULL when the plug-in cannot decode it. */
  void* (*open)(const char* path, LyrovoStreamInfo* info);
  /* Decodes up to frames sample frames into out (frames × channels samples);
   * returns the frames written, 0 at the end of the stream, -1 on an error. */
  int64_t (*read)(void* stream, int16_t* out, int64_t frames);
  /* Moves to sample frame frame; returns 0 on success, -1 when refused. */
  int (*seek)(void* stream, int64_t frame);
  void (*close)(void* stream);
} LyrovoPluginInfo;

typedef const LyrovoPluginInfo* (*LyrovoPluginInfoFunction)(void);
#define LYROVO_PLUGIN_ENTRY "lyrovo_plugin_info"

#ifdef __cplusplus
}
#endif

#endif
