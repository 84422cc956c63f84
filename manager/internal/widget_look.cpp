#include "manager/internal/widget_look.h"

#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>

namespace shelvex::manager::internal {

void PaintButtonFace(QWidget* widget) {
  QPalette palette = widget->palette();
  const QColor face = palette.color(QPalette::Button);
  palette.setColor(QPalette::Base, face);
  widget->setPalette(palette);
}

void PaintNormal(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, QApplication::palette(widget).color(QPalette::Base));
  widget->setPalette(palette);
}

void MakeDisplayOnly(QLineEdit* edit) {
  edit->setReadOnly(true);
  PaintButtonFace(edit);
}

void MakeDisplayOnly(QPlainTextEdit* memo) {
  memo->setReadOnly(true);
  PaintButtonFace(memo);
}

void MaskWithStars(QLineEdit* edit) {
  edit->setEchoMode(QLineEdit::Password);
  edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
}

}  // namespace shelvex::manager::internal
