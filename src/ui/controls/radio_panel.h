#pragma once
// A scrolling list of choices: one radio button per entry with a second
// line below it, a scroll bar at the right when the entries do not fit.
#include <QAbstractButton>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/controls/static_color.h"

namespace upvane {

class CQxRadioButton : public QAbstractButton {
 public:
  explicit CQxRadioButton(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent*) override;
};

class CQxRadioPanel : public QWidget {
 public:
  explicit CQxRadioPanel(QWidget* parent = nullptr);

  void SetScale(double scaleX, double scaleY);
  void SetItemHeight(int pixels);
  void SetFonts(const QFont& firstLine, const QFont& secondLine);
  void AddEntry(const QString& firstLine, const QString& secondLine);
  int GetSelected() const;
  int Count() const { return static_cast<int>(m_buttons.size()); }
  int Offset() const { return m_nOffset; }
  int MaxOffset() const;
  bool HasScrollBar() const { return MaxOffset() > 0; }
  void ScrollBy(int units);
  void ScrollTo(int units);
  CQxRadioButton* Button(int i) const { return m_buttons[static_cast<size_t>(i)]; }

  // Key and wheel input forwarded by the main window; true when used.
  bool HandleKey(int key);
  void HandleWheel(int angleDelta);

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  void Layout();
  QRect TrackRect() const;
  QRect ThumbRect() const;
  void Select(CQxRadioButton* chosen);

  std::vector<CQxRadioButton*> m_buttons;
  std::vector<CStaticColor*> m_lines;
  QFont m_firstFont, m_secondFont;
  double m_dScaleX = 1.0, m_dScaleY = 1.0;
  int m_nItemHeight = 120;
  int m_nOffset = 0;  // in unscaled pixels
  bool m_bDrag = false;
  int m_nDragY = 0, m_nDragOffset = 0;
};

}  // namespace upvane
