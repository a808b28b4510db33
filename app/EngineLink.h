// What the main window and the options dialog ask of the conversion engine component and of the
// preview player. Both components plug in behind these interfaces; until they are part of the
// window, TIdleEngine and TIdlePlayer keep the few settings and do nothing else.
#pragma once

namespace app {

class IConversionEngine {
 public:
  virtual ~IConversionEngine() = default;
  // The live-preview setting: every task shows its converted pictures while it runs.
  virtual bool Preview() const = 0;
  virtual void SetPreview(bool on) = 0;
  // Detaches the frame-hook, progress and terminate events, so none reaches a closing window.
  virtual void DetachEvents() = 0;
  // Stops every task; with `wait`, returns when the running ones have ended.
  virtual void Stop(bool wait) = 0;
};

class IPreviewPlayer {
 public:
  virtual ~IPreviewPlayer() = default;
  // Detaches the position, state and frame-hook events.
  virtual void DetachEvents() = 0;
  // The window it draws into has moved or changed size.
  virtual void UpdateScreenPosition() = 0;
};

// Stands in for the engine component until it exists: it keeps the preview setting.
class TIdleEngine : public IConversionEngine {
 public:
  bool Preview() const override { return FPreview; }
  void SetPreview(bool on) override { FPreview = on; }
  void DetachEvents() override {}
  void Stop(bool) override {}

 private:
  bool FPreview = false;
};

class TIdlePlayer : public IPreviewPlayer {
 public:
  void DetachEvents() override {}
  void UpdateScreenPosition() override {}
};

}  // namespace app
