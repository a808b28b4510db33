// Thin widgets for the few controls whose behaviour Qt's own lack: drop-down lists whose change
// handling follows the shown text, office-style combo boxes that report every selection, picture
// buttons that swap an enabled and a greyed picture, and a report list with hidden data columns.
#pragma once

#include <QComboBox>
#include <QIcon>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeWidget>

#include <vector>

// A fixed drop-down list (no typing). `Change` is emitted whenever the shown text changes: when
// the user picks an entry with another text, and when the program selects one. Clearing keeps the
// shown text, so refilling and selecting an entry of the same text emits nothing.
class TSkinComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TSkinComboBox(QWidget* parent = nullptr);

  void Clear();
  // Adds entries without selecting one.
  void AddItems(const std::vector<QString>& items);
  int ItemIndex() const { return currentIndex(); }
  void SetItemIndex(int index);
  // The text the box shows; after Clear it is the text shown before.
  QString ShownText() const { return FShownText; }

 signals:
  void Change();

 private:
  void ShownTextMayHaveChanged();

  QString FShownText;
  bool FUpdating = false;
};

// One entry of an office combo box.
struct TOfficeItem {
  QString Title;
  QString Description;  // may be empty: only the title is shown
  QIcon Icon;
};

// A list of entries with an icon, a bold title and a one-line description. `Change` is emitted on
// every selection, by the user or by the program, also when the entry was already selected.
class TOfficeComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TOfficeComboBox(QWidget* parent = nullptr);

  void Clear();
  void AddItem(const TOfficeItem& item);
  void SetItemIcon(int index, const QIcon& icon);
  int ItemIndex() const { return currentIndex(); }
  void SetItemIndex(int index);
  QString ItemTitle(int index) const;
  QString ItemDescription(int index) const;
  // Height of one entry of the dropped-down list.
  int ListItemHeight() const { return FItemHeight; }
  void SetListItemHeight(int height);

  static constexpr int kDescriptionRole = Qt::UserRole + 1;

 signals:
  void Change();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int FItemHeight = 50;
};

// Paints an office entry: icon at the left, the bold title, the description under it.
class TOfficeItemDelegate : public QStyledItemDelegate {
 public:
  explicit TOfficeItemDelegate(TOfficeComboBox* owner);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  TOfficeComboBox* FOwner;
};

// A button with an enabled and a greyed picture, swapped whenever the button is enabled or
// disabled. Without a greyed picture of its own the button makes one from the enabled picture.
class TPictureButton : public QToolButton {
  Q_OBJECT

 public:
  explicit TPictureButton(QWidget* parent = nullptr);

  void SetPictures(const QIcon& enabled, const QPixmap& greyed = {});
  // True while the greyed picture is shown.
  bool ShowsGreyedPicture() const { return FShowsGreyed; }
  QPixmap EnabledPicture() const { return FEnabled; }
  QPixmap GreyedPicture() const { return FGreyed; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void ShowPicture();

  QPixmap FEnabled;
  QPixmap FGreyed;
  bool FShowsGreyed = false;
};

// A report list: whole-row single selection, grid lines, no in-place editing. A column declared
// with width 0 is hidden: it only carries data and cannot be seen or widened.
class TReportListView : public QTreeWidget {
  Q_OBJECT

 public:
  struct TColumn {
    QString Caption;
    int Width;  // 0: hidden
  };

  explicit TReportListView(QWidget* parent = nullptr);
  void SetColumns(const std::vector<TColumn>& columns);
  // Index of the selected row, -1 when none is selected.
  int SelectedRow() const;
};
