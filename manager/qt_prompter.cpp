#include "manager/qt_prompter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <QUrl>

namespace shelvex::manager {

void QtPrompter::ShowModal(QDialog& dialog) { dialog.exec(); }

void QtPrompter::ShowMessage(MessageKind kind, const QString& text) {
  QMessageBox::Icon icon = QMessageBox::Information;
  QString caption = QStringLiteral("Information");
  if (kind == MessageKind::kError) {
    icon = QMessageBox::Critical;
    caption = QStringLiteral("Error");
  } else if (kind == MessageKind::kWarning) {
    icon = QMessageBox::Warning;
    caption = QStringLiteral("Warning");
  }
  // A label breaks lines at LF only; the system's texts break them with CR.
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
  QMessageBox box(icon, caption, shown, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void QtPrompter::OpenUrl(const QString& address) {
  QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}

}  // namespace shelvex::manager
