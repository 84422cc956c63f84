#pragma once

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace shelvex::manager::internal {

// Paints a box in the button-face colour, the look of boxes that only show a value.
void PaintButtonFace(QWidget* widget);
// Gives a box back the normal window colour.
void PaintNormal(QWidget* widget);

// Read-only and in the button-face colour.
void MakeDisplayOnly(QLineEdit* edit);
void MakeDisplayOnly(QPlainTextEdit* memo);

// Masks a password box with "*" for every character.
void MaskWithStars(QLineEdit* edit);

}  // namespace shelvex::manager::internal
