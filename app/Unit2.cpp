#include "app/Unit2.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppIcons.h"
#include "app/AppInfo.h"
#include "platform/Shell.h"

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
  setObjectName("Form2");
  setWindowTitle(QStringLiteral("关于软件"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* icon = new QLabel(this);
  icon->setPixmap(appicons::ProgramIcon().pixmap(64, 64));
  icon->setAlignment(Qt::AlignTop);

  auto* name = new QLabel(QString::fromUtf8(app::kAppTitle), this);
  name->setObjectName("lblProductName");
  QFont big = name->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  name->setFont(big);
  auto* version = new QLabel(QString::fromUtf8(app::kAppVersion), this);
  version->setObjectName("lblVersion");
  auto* about =
      new QLabel(QStringLiteral("批量音视频格式转换软件，主打无损 FLAC 输出。\n"
                                "支持 20 个输出类别、187 种输出格式，多线程转换，内嵌预览与快照。"),
                 this);
  about->setWordWrap(true);
  QString page = QString::fromUtf8(app::kProductWebPage);
  auto* link = new QLabel(QStringLiteral("官方网站：<a href=\"%1\">%1</a>").arg(page), this);
  link->setObjectName("lblWebPage");
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  connect(link, &QLabel::linkActivated, this,
          [](const QString& url) { platform::Shell().Open(url.toStdString()); });

  auto* text = new QVBoxLayout;
  text->addWidget(name);
  text->addWidget(version);
  text->addSpacing(6);
  text->addWidget(about);
  text->addWidget(link);
  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addSpacing(12);
  top->addLayout(text, 1);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(buttons);
  setFixedSize(470, 220);
}
