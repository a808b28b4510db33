// The output-options record a job gets when a file is added: the engine's defaults, then the
// current output settings mapped onto it. Both front ends build their tasks with it.
#pragma once

#include "engine/FFmpegOptions.h"
#include "presets/CurrentSettings.h"

namespace presets {

TOutputOptions OutputOptionsFromSettings(const TCurrentSettings& s);

}  // namespace presets
