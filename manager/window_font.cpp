#include "manager/window_font.h"

#include <QFontDatabase>

namespace shelvex::manager {

QFont ChooseWindowFont() {
  constexpr int kPointSize = 8;
  if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
    return QFont(QStringLiteral("Tahoma"), kPointSize);
  }
  // "sans-serif" is the desktop's own alias, resolved by fontconfig (DejaVu Sans on Debian).
  QFont font(QStringLiteral("sans-serif"), kPointSize);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace shelvex::manager
