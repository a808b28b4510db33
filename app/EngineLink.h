// What the main window and the options dialog ask of the conversion engine component and of the
// preview player. The engine component plugs in through TEngineLink; tests may put their own
// implementation behind these interfaces. TIdlePlayer stands in until the player is built.
#pragma once

class TFFmpegVCL;

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

// The window's engine component behind the interface.
class TEngineLink : public IConversionEngine {
 public:
  explicit TEngineLink(TFFmpegVCL& engine) : FEngine(engine) {}
  bool Preview() const override;
  void SetPreview(bool on) override;
  void DetachEvents() override;
  void Stop(bool wait) override;

 private:
  TFFmpegVCL& FEngine;
};

class TIdlePlayer : public IPreviewPlayer {
 public:
  void DetachEvents() override {}
  void UpdateScreenPosition() override {}
};

}  // namespace app
