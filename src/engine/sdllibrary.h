#pragma once

#include <SDL.h>

namespace lyrovo {

// The SDL functions the engine uses, from SDL opened on first need. Most runs
// play through the sound server at the song's own rate and never need SDL;
// linked in, it would load itself and the eighteen libraries it links (X
// extensions, Wayland, ALSA and more) into every run.
struct SdlLibrary {
  decltype(&SDL_SetHint) setHint;
  decltype(&SDL_SetHintWithPriority) setHintWithPriority;
  decltype(&SDL_ResetHint) resetHint;
  decltype(&SDL_InitSubSystem) initSubSystem;
  decltype(&SDL_QuitSubSystem) quitSubSystem;
  decltype(&SDL_GetAudioDeviceName) getAudioDeviceName;
  decltype(&SDL_OpenAudioDevice) openAudioDevice;
  decltype(&SDL_PauseAudioDevice) pauseAudioDevice;
  decltype(&SDL_LockAudioDevice) lockAudioDevice;
  decltype(&SDL_UnlockAudioDevice) unlockAudioDevice;
  decltype(&SDL_CloseAudioDevice) closeAudioDevice;
  decltype(&SDL_NewAudioStream) newAudioStream;
  decltype(&SDL_AudioStreamPut) audioStreamPut;
  decltype(&SDL_AudioStreamGet) audioStreamGet;
  decltype(&SDL_AudioStreamAvailable) audioStreamAvailable;
  decltype(&SDL_AudioStreamFlush) audioStreamFlush;
  decltype(&SDL_AudioStreamClear) audioStreamClear;
  decltype(&SDL_FreeAudioStream) freeAudioStream;
};

// SDL's functions, loaded on the first call and kept for the life of the
// process; null (and logged once) when SDL or one of them is missing.
const SdlLibrary* openSdlLibrary();

}  // namespace lyrovo
