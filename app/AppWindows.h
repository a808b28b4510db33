// The program's windows, created in their start-up order — main window, About box, options
// dialog — and living together until the main window is destroyed.
#pragma once

#include <memory>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit5.h"

class TAppWindows {
 public:
  explicit TAppWindows(TForm1Setup setup, app::IConversionEngine* engine = nullptr,
                       app::IPreviewPlayer* player = nullptr);

  TForm1& Form1() { return *FForm1; }
  TForm2& Form2() { return *FForm2; }
  TForm5& Form5() { return *FForm5; }

 private:
  std::unique_ptr<TForm1> FForm1;
  TForm2* FForm2;  // owned by FForm1
  TForm5* FForm5;  // owned by FForm1
};
