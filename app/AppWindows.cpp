#include "app/AppWindows.h"

TAppWindows::TAppWindows(TForm1Setup setup, app::IConversionEngine* engine,
                         app::IPreviewPlayer* player)
    : FForm1(std::make_unique<TForm1>(std::move(setup), engine, player)) {
  FForm2 = new TForm2(FForm1.get());
  // The options dialog reads the "Options" section as it is created, after the main window has
  // created the settings file.
  FForm5 = new TForm5(FForm1->Setup().SettingsFile, FForm1->Engine(), FForm1.get());
  FForm1->SetDialogs(FForm2, FForm5);
}
