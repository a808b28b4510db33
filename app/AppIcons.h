// The program's pictures: toolbar and button icons from the desktop's icon theme (with drawn
// stand-ins when the theme lacks one), and the drawn category and format icons.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

class QPainter;
class QPalette;

namespace appicons {

// Makes the freedesktop theme available also outside a desktop session (Xvfb, offscreen).
void InstallIconTheme();

// A theme icon by freedesktop name; `fallback` draws a plain symbol when the theme has none.
QIcon ThemeIcon(const char* name, QChar fallback);

// The picture of a category, by the category's icon index; every index of the catalogue has its
// own colour and label, an unknown one a neutral tile.
QIcon CategoryIcon(int iconIndex);
// The two alternating format pictures (0 and 1).
QIcon FormatIcon(int imageIndex);

// The picture that covers the job list while it is empty, drawn to fill `area` in the colours
// of `palette`.
void PaintEmptyListPicture(QPainter& p, const QRect& area, const QPalette& palette);

// The program's own icon (window icon).
QIcon ProgramIcon();

}  // namespace appicons
