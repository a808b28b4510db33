// The live preview of a conversion (post hook phPreview): the converter paints its output
// pictures through a TPreviewer, which the user interface supplies by installing a factory.
// Without a factory there is no live preview.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Bitmap.h"

class TPreviewer {
 public:
  virtual ~TPreviewer() = default;
  // Shows the picture with its time (microseconds); called on the converting thread, at most
  // once per preview interval, and may block until the picture is shown. False once the user
  // closed the window: the converter then stops previewing this task.
  virtual bool PaintFrame(platform::TBitmap* ABitmap, int AFrameNumber, int64_t APTS) = 0;
};

// Makes the previewer of one conversion; the converter creates it on its first preview
// picture and destroys it when its run ends, on the converting thread (an implementation
// that owns a window hands its destruction to the main thread).
using TPreviewerFactory = std::function<std::unique_ptr<TPreviewer>()>;

void SetPreviewerFactory(TPreviewerFactory factory);
// A new previewer, or nullptr when no factory is installed.
std::unique_ptr<TPreviewer> CreatePreviewer();
