// The built-in presets of the x264 encoder, looked up by name (any case) before preset files.
#pragma once

#include <string>

struct TBuiltinPreset {
  const char* Name;
  // Option lines separated by " / ", in the option names the loaded libx264 understands.
  const char* Lines;
};

constexpr int kBuiltinPresetCount = 36;
extern const TBuiltinPreset kBuiltinPresets[kBuiltinPresetCount];

// The text of the preset named `name` (any case) as lines separated by "\n"; false when the
// table has no such preset.
bool FindBuiltinPreset(const std::string& name, std::string* text);
