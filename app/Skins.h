// The built-in skins: a palette and a style sheet over the Fusion style, applied to the whole
// application. The stored skin setting is an index into this list.
#pragma once

#include <QString>
#include <QStringList>

#include <string>

namespace app {

int SkinCount();
QStringList SkinNames();
// The skin setting's text as an index: a decimal number naming a skin; anything else (not a
// number, out of range) is skin 0.
int SkinIndexFromText(const std::string& text);
// Applies skin `index` (0 for an index outside the list) to the application.
void ApplySkin(int index);

}  // namespace app
