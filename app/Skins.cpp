#include "app/Skins.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include <charconv>

namespace app {

namespace {

struct TSkin {
  const char* Name;
  unsigned Window, WindowText, Base, AlternateBase, Text, Button, ButtonText, Highlight,
      HighlightedText, Disabled;
  const char* StyleSheet;  // extras on top of the palette
};

// Style sheet rules shared by all skins: the list-style popups honour the combo boxes' number of
// visible entries.
constexpr const char* kCommonSheet = "QComboBox { combobox-popup: 0; }\n";

// clang-format off
constexpr TSkin kSkins[] = {
  {"经典浅色", 0xf0f0f0, 0x1f1f1f, 0xffffff, 0xf5f5f5, 0x1f1f1f, 0xe9e9e9, 0x1f1f1f, 0x3d8ee6,
   0xffffff, 0x9a9a9a,
   "QToolBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfdfd, stop:1 #e4e8ee);"
   " border-bottom: 1px solid #c8ccd2; spacing: 2px; }\n"
   "QGroupBox { font-weight: bold; border: 1px solid #c4c8ce; border-radius: 4px;"
   " margin-top: 10px; padding-top: 4px; }\n"
   "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: #23466e; }\n"},
  {"深邃黑色", 0x2b2d31, 0xe6e6e6, 0x1e1f22, 0x26282c, 0xe6e6e6, 0x3a3d42, 0xe6e6e6, 0x2f80ed,
   0xffffff, 0x7a7d82,
   "QToolBar { background: #232428; border-bottom: 1px solid #111214; spacing: 2px; }\n"
   "QGroupBox { font-weight: bold; border: 1px solid #4a4d52; border-radius: 4px;"
   " margin-top: 10px; padding-top: 4px; }\n"
   "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: #8ab4f8; }\n"
   "QMenuBar { background: #232428; }\n"},
  {"商务蓝色", 0xdfeaf7, 0x10243e, 0xffffff, 0xeef4fb, 0x10243e, 0xc9dcf2, 0x10243e, 0x1565c0,
   0xffffff, 0x8093a8,
   "QToolBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4f8fd6, stop:1 #1f5fa8);"
   " border-bottom: 1px solid #174a85; spacing: 2px; }\n"
   "QToolBar QToolButton { color: white; }\n"
   "QToolBar QToolButton:disabled { color: #9fbde3; }\n"
   "QMenuBar { background: #cfe0f4; }\n"
   "QGroupBox { font-weight: bold; border: 1px solid #8fb2da; border-radius: 4px;"
   " margin-top: 10px; padding-top: 4px; }\n"
   "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: #0d47a1; }\n"},
  {"清新绿色", 0xe8f3ea, 0x17301d, 0xffffff, 0xf1f8f2, 0x17301d, 0xcfe6d3, 0x17301d, 0x2e7d32,
   0xffffff, 0x86998a,
   "QToolBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f7fbf7, stop:1 #cfe6d3);"
   " border-bottom: 1px solid #9cc5a3; spacing: 2px; }\n"
   "QGroupBox { font-weight: bold; border: 1px solid #9cc5a3; border-radius: 4px;"
   " margin-top: 10px; padding-top: 4px; }\n"
   "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: #1b5e20; }\n"},
};
// clang-format on

QColor Rgb(unsigned v) {
  return QColor(static_cast<QRgb>(v));
}

QPalette PaletteOf(const TSkin& s) {
  QPalette p;
  p.setColor(QPalette::Window, Rgb(s.Window));
  p.setColor(QPalette::WindowText, Rgb(s.WindowText));
  p.setColor(QPalette::Base, Rgb(s.Base));
  p.setColor(QPalette::AlternateBase, Rgb(s.AlternateBase));
  p.setColor(QPalette::Text, Rgb(s.Text));
  p.setColor(QPalette::Button, Rgb(s.Button));
  p.setColor(QPalette::ButtonText, Rgb(s.ButtonText));
  p.setColor(QPalette::Highlight, Rgb(s.Highlight));
  p.setColor(QPalette::HighlightedText, Rgb(s.HighlightedText));
  p.setColor(QPalette::ToolTipBase, Rgb(s.Base));
  p.setColor(QPalette::ToolTipText, Rgb(s.Text));
  p.setColor(QPalette::PlaceholderText, Rgb(s.Disabled));
  p.setColor(QPalette::Link, Rgb(s.Highlight));
  p.setColor(QPalette::Light, Rgb(s.Button).lighter(130));
  p.setColor(QPalette::Midlight, Rgb(s.Button).lighter(110));
  p.setColor(QPalette::Mid, Rgb(s.Button).darker(130));
  p.setColor(QPalette::Dark, Rgb(s.Button).darker(160));
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, Rgb(s.Disabled));
  return p;
}

}  // namespace

int SkinCount() {
  return static_cast<int>(std::size(kSkins));
}

QStringList SkinNames() {
  QStringList names;
  for (const auto& s : kSkins) names << QString::fromUtf8(s.Name);
  return names;
}

int SkinIndexFromText(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < 0 || value >= SkinCount()) return 0;
  return value;
}

void ApplySkin(int index) {
  if (index < 0 || index >= SkinCount()) index = 0;
  const TSkin& skin = kSkins[index];
  if (QApplication::style()->name() != QLatin1String("fusion"))
    QApplication::setStyle(QStyleFactory::create("Fusion"));
  QApplication::setPalette(PaletteOf(skin));
  qApp->setStyleSheet(QString::fromUtf8(kCommonSheet) + QString::fromUtf8(skin.StyleSheet));
}

}  // namespace app
