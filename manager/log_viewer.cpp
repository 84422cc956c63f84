#include "manager/log_viewer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringList>
#include <QVBoxLayout>
#include <string>
#include <system_error>
#include <vector>

#include "platform/error.h"
#include "platform/text_file.h"

namespace shelvex::manager {

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form5"));
  setWindowTitle(QStringLiteral("Activity Log"));
  // A sizable window with the usual frame buttons.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  resize(796, 533);

  auto* caption = new QLabel(QStringLiteral("Log Contents:"), this);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  caption->setBuddy(Memo1);
  BitBtn1 = new QPushButton(QStringLiteral("&Close"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption);
  layout->addWidget(Memo1, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(BitBtn1);
  layout->addLayout(bottom);
}

void TForm5::FormShow() {
  QString text;
  std::error_code error;
  if (!LogFile.empty() && std::filesystem::exists(LogFile, error)) {
    try {
      const std::vector<std::string> lines = platform::ReadTextLines(LogFile);
      QStringList shown;
      shown.reserve(static_cast<qsizetype>(lines.size()));
      for (const std::string& line : lines) shown.append(QString::fromStdString(line));
      text = shown.join(QChar('\n'));
    } catch (const Error& failure) {
      text = QStringLiteral("ERROR! ") + QString::fromStdString(failure.what());
    }
  }
  Memo1->setPlainText(text);
  Memo1->moveCursor(QTextCursor::End);
  Memo1->ensureCursorVisible();
  Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

void TForm5::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

}  // namespace shelvex::manager
