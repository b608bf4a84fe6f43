#include "engine/sdllibrary.h"

#include <QDebug>

#include <dlfcn.h>

#include <memory>

namespace lyrovo {

namespace {

std::unique_ptr<SdlLibrary> loadSdlLibrary() {
  // The library stays loaded for the rest of the run, as a linked one would.
  void* handle = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    qWarning("openSdlLibrary: %s", dlerror());
    return nullptr;
  }
  auto library = std::make_unique<SdlLibrary>();
  bool complete = true;
  const auto resolve = [&](auto& function, const char* name) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
    if (!function) {
      qWarning("openSdlLibrary: no %s in SDL", name);
      complete = false;
    }
  };
  resolve(library->setHint, "SDL_SetHint");
  resolve(library->setHintWithPriority, "SDL_SetHintWithPriority");
  resolve(library->resetHint, "SDL_ResetHint");
  resolve(library->initSubSystem, "SDL_InitSubSystem");
  resolve(library->quitSubSystem, "SDL_QuitSubSystem");
  resolve(library->getAudioDeviceName, "SDL_GetAudioDeviceName");
  resolve(library->openAudioDevice, "SDL_OpenAudioDevice");
  resolve(library->pauseAudioDevice, "SDL_PauseAudioDevice");
  resolve(library->lockAudioDevice, "SDL_LockAudioDevice");
  resolve(library->unlockAudioDevice, "SDL_UnlockAudioDevice");
  resolve(library->closeAudioDevice, "SDL_CloseAudioDevice");
  resolve(library->newAudioStream, "SDL_NewAudioStream");
  resolve(library->audioStreamPut, "SDL_AudioStreamPut");
  resolve(library->audioStreamGet, "SDL_AudioStreamGet");
  resolve(library->audioStreamAvailable, "SDL_AudioStreamAvailable");
  resolve(library->audioStreamFlush, "SDL_AudioStreamFlush");
  resolve(library->audioStreamClear, "SDL_AudioStreamClear");
  resolve(library->freeAudioStream, "SDL_FreeAudioStream");
  if (!complete) {
    dlclose(handle);
    return nullptr;
  }
  return library;
}

}  // namespace

const SdlLibrary* openSdlLibrary() {
  // Loaded once, on first use, and never changed afterwards.
  static const std::unique_ptr<SdlLibrary> library = loadSdlLibrary();
  return library.get();
}

}  // namespace lyrovo
