#include "visual/bpvissource.h"

#include "engine/bp.h"

namespace lyrovo {

QStringView BpVisSource::chanMod() { return engine_.achanMod(); }

VisLevels BpVisSource::levels() { return {engine_.aLlevel(), engine_.aRlevel()}; }

bool BpVisSource::samples(std::int16_t* array, int count) { return engine_.aData(array, count); }

bool BpVisSource::fft(float* array, int count) { return engine_.aDataFFT(array, count); }

}  // namespace lyrovo
