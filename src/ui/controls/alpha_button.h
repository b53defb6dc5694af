#pragma once
// A button drawn from a PNG strip of five states (normal, hover, pressed,
// disabled, focus) blended over its parent, or, with a label, a flat text
// button in its own colours.
#include <QAbstractButton>
#include <QColor>
#include <QImage>

namespace upvane {

class CAlphaButton : public QAbstractButton {
 public:
  explicit CAlphaButton(QWidget* parent = nullptr);

  // Loads the strip ":/art/buttons/<id>.png" and sizes the button to one
  // band times the scale; false (and no image) when there is no such image.
  bool LoadImage(int resourceId);
  void SetScale(double scaleX, double scaleY);
  void SetTextColors(const QColor& text, const QColor& background);
  bool HasImage() const { return m_nStateHeight > 0; }
  // The band the button shows now: 3 disabled, 2 pressed, 1 hover, 4 focus, 0.
  int StateIndex() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;

 private:
  // The strip is decoded when first drawn: most buttons are never shown.
  const QImage& Image();
  QString m_strImagePath;
  QSize m_imageSize;
  QImage m_image;
  int m_nStateHeight = 0;
  double m_dScaleX = 1.0, m_dScaleY = 1.0;
  bool m_bHover = false;
  QColor m_clrText{0, 0, 0};
  QColor m_clrBack{220, 220, 220};
};

}  // namespace upvane
