#include "app/AppIcons.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace appicons {

namespace {

enum TGlyph { gNote, gFilm, gDevice, gScreen };

struct TCategoryPicture {
  int IconIndex;
  const char* Label;
  unsigned Colour;  // 0xRRGGBB
  TGlyph Glyph;
};

// clang-format off
constexpr TCategoryPicture kCategoryPictures[] = {
  { 1, "音频",   0x1e88e5, gNote   },
  {49, "WMA",    0x5e35b1, gNote   },
  {52, "MP3",    0x00897b, gNote   },
  {50, "WAV",    0x3949ab, gNote   },
  {40, "视频",   0x6d4c41, gFilm   },
  {10, "MP4",    0xe53935, gFilm   },
  { 2, "HD",     0xd81b60, gScreen },
  { 3, "iPod",   0x546e7a, gDevice },
  { 4, "iPhone", 0x37474f, gDevice },
  {18, "MPG",    0xf4511e, gFilm   },
  {19, "SWF",    0xc62828, gFilm   },
  {13, "AVI",    0x43a047, gFilm   },
  {14, "MKV",    0x7cb342, gFilm   },
  {39, "RMVB",   0x0277bd, gFilm   },
  {48, "VCD",    0xfb8c00, gFilm   },
  {47, "MOV",    0x8e24aa, gFilm   },
  {45, "H264",   0x00838f, gFilm   },
  {41, "手机",   0x2e7d32, gDevice },
  {42, "平板",   0x455a64, gDevice },
  {43, "电视",   0x4527a0, gScreen },
};
// clang-format on

constexpr int kSide = 48;

void DrawTile(QPainter& p, const QColor& colour) {
  QLinearGradient fill(0, 0, 0, kSide);
  fill.setColorAt(0, colour.lighter(135));
  fill.setColorAt(1, colour.darker(115));
  p.setPen(QPen(colour.darker(140), 1));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(1.5, 1.5, kSide - 3, kSide - 3), 8, 8);
}

void DrawGlyph(QPainter& p, TGlyph glyph) {
  p.setPen(QPen(QColor(255, 255, 255, 230), 2));
  p.setBrush(QColor(255, 255, 255, 230));
  switch (glyph) {
    case gNote: {
      p.drawEllipse(QRectF(12, 19, 8, 6));
      p.drawEllipse(QRectF(26, 17, 8, 6));
      p.drawLine(QPointF(19.5, 22), QPointF(19.5, 7));
      p.drawLine(QPointF(33.5, 20), QPointF(33.5, 5));
      p.drawLine(QPointF(19.5, 7), QPointF(33.5, 5));
      break;
    }
    case gFilm: {
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(9, 6, 30, 19));
      p.setBrush(QColor(255, 255, 255, 230));
      for (int i = 0; i < 5; ++i) {
        p.drawRect(QRectF(11 + i * 6, 7.5, 2, 2));
        p.drawRect(QRectF(11 + i * 6, 21.5, 2, 2));
      }
      break;
    }
    case gDevice: {
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(QRectF(17, 4, 14, 23), 3, 3);
      p.drawLine(QPointF(22, 24), QPointF(26, 24));
      break;
    }
    case gScreen: {
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(9, 5, 30, 18));
      p.drawLine(QPointF(24, 23), QPointF(24, 26));
      p.drawLine(QPointF(17, 26.5), QPointF(31, 26.5));
      break;
    }
  }
}

void DrawLabel(QPainter& p, const QString& label) {
  QFont font = p.font();
  font.setBold(true);
  font.setPixelSize(label.size() > 4 ? 10 : 12);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(2, 28, kSide - 4, 17), Qt::AlignCenter, label);
}

QPixmap NewCanvas() {
  QPixmap pm(kSide, kSide);
  pm.fill(Qt::transparent);
  return pm;
}

QIcon DrawnSymbol(QChar symbol) {
  QPixmap pm = NewCanvas();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  DrawTile(p, QColor(0x607d8b));
  QFont font = p.font();
  font.setPixelSize(28);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, kSide, kSide), Qt::AlignCenter, QString(symbol));
  return QIcon(pm);
}

}  // namespace

void InstallIconTheme() {
  // Outside a desktop session Qt knows no theme name; Adwaita is what the package list installs.
  QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
  if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
    QIcon::setThemeName(QStringLiteral("Adwaita"));
}

QIcon ThemeIcon(const char* name, QChar fallback) {
  QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
  return icon.isNull() ? DrawnSymbol(fallback) : icon;
}

QIcon CategoryIcon(int iconIndex) {
  const TCategoryPicture* picture = nullptr;
  for (const auto& c : kCategoryPictures)
    if (c.IconIndex == iconIndex) picture = &c;
  QPixmap pm = NewCanvas();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  if (!picture) {
    DrawTile(p, QColor(0x9e9e9e));
    DrawGlyph(p, gFilm);
    return QIcon(pm);
  }
  DrawTile(p, QColor(static_cast<QRgb>(picture->Colour)));
  DrawGlyph(p, picture->Glyph);
  DrawLabel(p, QString::fromUtf8(picture->Label));
  return QIcon(pm);
}

QIcon FormatIcon(int imageIndex) {
  QColor colour = imageIndex % 2 == 0 ? QColor(0x1976d2) : QColor(0x388e3c);
  QPixmap pm = NewCanvas();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  // A page with a folded corner and a play mark.
  QPainterPath page;
  page.moveTo(10, 3);
  page.lineTo(30, 3);
  page.lineTo(39, 12);
  page.lineTo(39, 45);
  page.lineTo(10, 45);
  page.closeSubpath();
  QLinearGradient fill(0, 0, 0, kSide);
  fill.setColorAt(0, colour.lighter(160));
  fill.setColorAt(1, colour.lighter(115));
  p.setPen(QPen(colour.darker(130), 1.5));
  p.setBrush(fill);
  p.drawPath(page);
  p.setBrush(colour.darker(110));
  QPainterPath fold;
  fold.moveTo(30, 3);
  fold.lineTo(30, 12);
  fold.lineTo(39, 12);
  fold.closeSubpath();
  p.drawPath(fold);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  QPolygonF play;
  play << QPointF(19, 19) << QPointF(32, 27) << QPointF(19, 35);
  p.drawPolygon(play);
  return QIcon(pm);
}

void PaintEmptyListPicture(QPainter& p, const QRect& area, const QPalette& palette) {
  p.save();
  p.fillRect(area, palette.color(QPalette::Base));
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QRectF frame = QRectF(area).adjusted(8, 8, -8, -8);
  p.setPen(QPen(palette.color(QPalette::Mid), 2, Qt::DashLine));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(frame, 12, 12);

  QIcon media = ThemeIcon("video-x-generic", QChar(0x25B6));
  int side = 96;
  int middle = area.top() + area.height() / 2;
  QRect iconRect(area.left() + (area.width() - side) / 2, middle - side - 6, side, side);
  media.paint(&p, iconRect);

  QFont big = p.font();
  big.setPixelSize(18);
  big.setBold(true);
  p.setFont(big);
  p.setPen(palette.color(QPalette::Text));
  QRect line1(area.left(), middle + 6, area.width(), 28);
  p.drawText(line1, Qt::AlignCenter,
             QString::fromUtf8("点击“添加”按钮，添加需要转换的音频或视频文件"));
  QFont small = p.font();
  small.setPixelSize(13);
  small.setBold(false);
  p.setFont(small);
  QColor faint = palette.color(QPalette::Text);
  faint.setAlpha(170);
  p.setPen(faint);
  QRect line2(area.left(), line1.bottom() + 6, area.width(), 22);
  p.drawText(line2, Qt::AlignCenter,
             QString::fromUtf8("可以添加一个文件、多个文件或整个目录，支持常见的音视频格式"));
  p.restore();
}

QIcon ProgramIcon() {
  return CategoryIcon(1);
}

}  // namespace appicons
