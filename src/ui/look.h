#pragma once
// The wizard's colours, fonts and geometry rules.
#include <QColor>
#include <QFont>
#include <QRect>

namespace upvane {

inline const QColor kPageBackground(228, 229, 227);
inline const QColor kTitleColor(217, 31, 7);
inline const QColor kBodyColor(104, 104, 103);
inline const QColor kInkColor(4, 6, 7);
inline const QColor kFooterColor(149, 149, 149);
inline const QColor kAccentColor(130, 205, 172);

// A font of the given cell height in pixels (as the window system's
// positive font height), face Arial.
QFont CellHeightFont(int cellHeight, bool bold, bool underline = false);
// A font of the given size in points at 96 dpi, face Arial.
QFont PointFont(int points, bool bold = false);

// Dialog units of an 8-point dialog font to pixels.
int DluX(int x);
int DluY(int y);
QRect DluRect(int x, int y, int w, int h);

}  // namespace upvane
