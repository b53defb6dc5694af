#pragma once
// Static text with its own colours: word-wrapped, vertically centred.
#include <QColor>
#include <QString>
#include <QWidget>

namespace upvane {

class CStaticColor : public QWidget {
 public:
  explicit CStaticColor(QWidget* parent = nullptr, Qt::Alignment align = Qt::AlignLeft);
  void SetColors(const QColor& text, const QColor& background);
  void SetText(const QString& text);
  const QString& Text() const { return m_strText; }
  QColor TextColor() const { return m_clrText; }

 protected:
  void paintEvent(QPaintEvent*) override;
  QColor PaintColor() const;
  virtual QColor CurrentTextColor() const { return m_clrText; }

  QString m_strText;
  QColor m_clrText{0, 0, 0};
  QColor m_clrBack{255, 255, 255};
  Qt::Alignment m_nAlign;
};

}  // namespace upvane
