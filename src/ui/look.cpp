#include "ui/look.h"

#include <cmath>

namespace upvane {

QFont CellHeightFont(int cellHeight, bool bold, bool underline) {
  QFont f("Arial");
  // A cell holds the ascent and descent; Arial's em is about 0.87 of it.
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(cellHeight * 0.87))));
  f.setBold(bold);
  f.setUnderline(underline);
  return f;
}

QFont PointFont(int points, bool bold) {
  QFont f("Arial");
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0))));
  f.setBold(bold);
  return f;
}

int DluX(int x) { return static_cast<int>(std::lround(x * 1.5)); }
int DluY(int y) { return static_cast<int>(std::lround(y * 13.0 / 8.0)); }
QRect DluRect(int x, int y, int w, int h) { return QRect(DluX(x), DluY(y), DluX(w), DluY(h)); }

}  // namespace upvane
