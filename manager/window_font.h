#pragma once

#include <QFont>

namespace shelvex::manager {

// The manager's font: Tahoma 8 pt, or the desktop's sans-serif at 8 pt where Tahoma is not
// installed (most Linux desktops), so that the fixed-size window keeps its proportions.
QFont ChooseWindowFont();

}  // namespace shelvex::manager
