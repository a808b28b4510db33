#include "app/SkinControls.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QListView>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>

// ---------------------------------------------------------------------------------------------
// TSkinComboBox

TSkinComboBox::TSkinComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setMaxVisibleItems(8);
  // Qt selects an entry on its own when the first one is added and clears the text on clear();
  // the shown text is tracked here instead, and only its changes count.
  connect(this, &QComboBox::currentTextChanged, this, [this] {
    if (!FUpdating) ShownTextMayHaveChanged();
  });
}

void TSkinComboBox::Clear() {
  FUpdating = true;
  clear();
  FUpdating = false;
}

void TSkinComboBox::AddItems(const std::vector<QString>& items) {
  FUpdating = true;
  for (const auto& item : items) addItem(item);
  setCurrentIndex(-1);
  FUpdating = false;
}

void TSkinComboBox::SetItemIndex(int index) {
  FUpdating = true;
  setCurrentIndex(index < count() ? index : -1);
  FUpdating = false;
  ShownTextMayHaveChanged();
}

void TSkinComboBox::ShownTextMayHaveChanged() {
  // With no entry selected the box keeps showing its last text.
  if (currentIndex() < 0) return;
  QString text = currentText();
  if (text == FShownText) return;
  FShownText = text;
  emit Change();
}

// ---------------------------------------------------------------------------------------------
// TOfficeComboBox

TOfficeComboBox::TOfficeComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  auto* list = new QListView(this);
  list->setUniformItemSizes(true);
  setView(list);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setItemDelegate(new TOfficeItemDelegate(this));
  connect(this, &QComboBox::activated, this, [this] { emit Change(); });
}

void TOfficeComboBox::Clear() {
  QSignalBlocker block(this);
  clear();
  update();
}

void TOfficeComboBox::AddItem(const TOfficeItem& item) {
  QSignalBlocker block(this);
  int before = currentIndex();
  addItem(item.Icon, item.Title);
  setItemData(count() - 1, item.Description, kDescriptionRole);
  setItemData(count() - 1,
              item.Description.isEmpty() ? item.Title : item.Title + "\n" + item.Description,
              Qt::ToolTipRole);
  setCurrentIndex(before);
}

void TOfficeComboBox::SetItemIcon(int index, const QIcon& icon) {
  setItemIcon(index, icon);
}

void TOfficeComboBox::SetItemIndex(int index) {
  {
    QSignalBlocker block(this);
    setCurrentIndex(index < count() ? index : -1);
  }
  update();
  emit Change();
}

QString TOfficeComboBox::ItemTitle(int index) const {
  return itemText(index);
}

QString TOfficeComboBox::ItemDescription(int index) const {
  return itemData(index, kDescriptionRole).toString();
}

void TOfficeComboBox::SetListItemHeight(int height) {
  FItemHeight = height;
  view()->doItemsLayout();
}

void TOfficeComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox opt;
  initStyleOption(&opt);
  opt.currentText.clear();
  opt.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, opt);

  int index = currentIndex();
  if (index < 0) return;
  QRect area = style()
                   ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this)
                   .adjusted(2, 1, -2, -1);
  int iconSide = qMin(area.height() - 2, 40);
  QRect iconRect(area.left(), area.top() + (area.height() - iconSide) / 2, iconSide, iconSide);
  QIcon icon = itemIcon(index);
  icon.paint(&painter, iconRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
  QRect text = area.adjusted(iconSide + 6, 0, 0, 0);

  QFont bold = font();
  bold.setBold(true);
  QString description = ItemDescription(index);
  QFontMetrics boldMetrics(bold);
  bool twoLines = !description.isEmpty() && text.height() >= 2 * fontMetrics().height() + 2;
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  painter.setFont(bold);
  if (!twoLines) {
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                     boldMetrics.elidedText(itemText(index), Qt::ElideRight, text.width()));
    return;
  }
  int lineGap = (text.height() - boldMetrics.height() - fontMetrics().height()) / 3;
  QRect titleRect(text.left(), text.top() + lineGap, text.width(), boldMetrics.height());
  painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
                   boldMetrics.elidedText(itemText(index), Qt::ElideRight, text.width()));
  painter.setFont(font());
  QRect descriptionRect(text.left(), titleRect.bottom() + lineGap, text.width(),
                        fontMetrics().height());
  painter.drawText(descriptionRect, Qt::AlignLeft | Qt::AlignVCenter,
                   fontMetrics().elidedText(description, Qt::ElideRight, text.width()));
}

TOfficeItemDelegate::TOfficeItemDelegate(TOfficeComboBox* owner)
    : QStyledItemDelegate(owner), FOwner(owner) {}

QSize TOfficeItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  return QSize(option.rect.width(), FOwner->ListItemHeight());
}

void TOfficeItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  painter->save();
  bool selected = opt.state & QStyle::State_Selected;
  bool hovered = opt.state & QStyle::State_MouseOver;
  const QPalette& pal = opt.palette;
  if (selected || hovered)
    painter->fillRect(opt.rect, pal.brush(QPalette::Highlight));
  else
    painter->fillRect(opt.rect, pal.brush(QPalette::Base));

  QRect area = opt.rect.adjusted(4, 3, -4, -3);
  int iconSide = qMin(area.height(), 40);
  QRect iconRect(area.left(), area.top() + (area.height() - iconSide) / 2, iconSide, iconSide);
  opt.icon.paint(painter, iconRect);
  QRect text = area.adjusted(iconSide + 8, 0, 0, 0);

  QColor ink = pal.color(selected || hovered ? QPalette::HighlightedText : QPalette::Text);
  painter->setPen(ink);
  QFont bold = opt.font;
  bold.setBold(true);
  QFontMetrics boldMetrics(bold);
  QFontMetrics plainMetrics(opt.font);
  QString title = index.data(Qt::DisplayRole).toString();
  QString description = index.data(TOfficeComboBox::kDescriptionRole).toString();
  painter->setFont(bold);
  if (description.isEmpty()) {
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      boldMetrics.elidedText(title, Qt::ElideRight, text.width()));
  } else {
    int gap = qMax(0, (text.height() - boldMetrics.height() - plainMetrics.height()) / 3);
    QRect titleRect(text.left(), text.top() + gap, text.width(), boldMetrics.height());
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
                      boldMetrics.elidedText(title, Qt::ElideRight, text.width()));
    painter->setFont(opt.font);
    QColor faint = ink;
    if (!(selected || hovered)) faint.setAlpha(170);
    painter->setPen(faint);
    QRect descriptionRect(text.left(), titleRect.bottom() + gap, text.width(),
                          plainMetrics.height());
    painter->drawText(descriptionRect, Qt::AlignLeft | Qt::AlignVCenter,
                      plainMetrics.elidedText(description, Qt::ElideRight, text.width()));
  }
  painter->setPen(pal.color(QPalette::Mid));
  painter->drawLine(opt.rect.bottomLeft(), opt.rect.bottomRight());
  painter->restore();
}

// ---------------------------------------------------------------------------------------------
// TPictureButton

TPictureButton::TPictureButton(QWidget* parent) : QToolButton(parent) {
  setAutoRaise(true);
  setFocusPolicy(Qt::NoFocus);
}

namespace {

// A grey, faded copy: readable as "not available" on light and dark skins alike.
QPixmap Greyed(const QPixmap& picture) {
  QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      int grey = qGray(line[x]);
      grey = 96 + grey * 96 / 255;
      line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 11 / 20);
    }
  }
  return QPixmap::fromImage(image);
}

}  // namespace

void TPictureButton::SetPictures(const QIcon& enabled, const QPixmap& greyed) {
  FEnabled = enabled.pixmap(iconSize());
  FGreyed = greyed.isNull() ? Greyed(FEnabled) : greyed;
  ShowPicture();
}

void TPictureButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) ShowPicture();
  QToolButton::changeEvent(event);
}

void TPictureButton::ShowPicture() {
  FShowsGreyed = !isEnabled();
  // One pixmap per state, so the style never greys the picture a second time.
  QIcon icon;
  const QPixmap& shown = FShowsGreyed ? FGreyed : FEnabled;
  icon.addPixmap(shown, QIcon::Normal);
  icon.addPixmap(shown, QIcon::Disabled);
  setIcon(icon);
}

// ---------------------------------------------------------------------------------------------
// TReportListView

TReportListView::TReportListView(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAlternatingRowColors(false);
  setProperty("gridLines", true);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setMinimumSectionSize(0);
}

void TReportListView::SetColumns(const std::vector<TColumn>& columns) {
  QStringList captions;
  for (const auto& c : columns) captions << c.Caption;
  setColumnCount(static_cast<int>(columns.size()));
  setHeaderLabels(captions);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    if (columns[i].Width == 0) {
      setColumnHidden(i, true);
    } else {
      header()->setSectionResizeMode(i, QHeaderView::Interactive);
      setColumnWidth(i, columns[i].Width);
    }
  }
}

int TReportListView::SelectedRow() const {
  auto items = selectedItems();
  return items.isEmpty() ? -1 : indexOfTopLevelItem(items.first());
}
