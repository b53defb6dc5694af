// Draws the program's artwork at build time: the button strips (five
// states stacked: normal, hover, pressed, disabled, focus), the logos, the
// page pictures, the animation frame strips and the icon.
//   upvane_artgen <output folder>
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <QtMath>
#include <cstdio>

namespace {

const QColor kRed(217, 31, 7);
const QColor kGreen(130, 205, 172);
const QColor kGreenDark(78, 160, 126);
const QColor kGray(149, 149, 149);
const QColor kInk(64, 66, 70);
const QColor kPaper(228, 229, 227);
const QColor kText(104, 104, 103);

QString g_out;

bool Save(const QImage& img, const QString& name) {
  const QString path = g_out + "/" + name;
  QDir().mkpath(QFileInfo(path).absolutePath());
  if (!img.save(path, "PNG")) {
    std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

QFont LabelFont(int pixelSize) {
  QFont f("Arial");
  f.setPixelSize(pixelSize);
  f.setBold(true);
  f.setLetterSpacing(QFont::PercentageSpacing, 104);
  return f;
}

// One button band: a rounded pill with its label.
void DrawBand(QPainter& p, const QRectF& band, const QString& label, bool primary, int state) {
  QColor fill = primary ? QColor(58, 146, 108) : kInk;
  QColor text = Qt::white;
  switch (state) {
    case 1:
      fill = fill.lighter(112);
      break;  // hover
    case 2:
      fill = fill.darker(130);
      break;  // pressed
    case 3:
      fill = QColor(196, 197, 195);
      text = QColor(236, 236, 234);
      break;  // disabled
    default:
      break;
  }
  const QRectF pill = band.adjusted(4, 5, -4, -5).translated(0, state == 2 ? 1 : 0);
  const qreal r = pill.height() / 2;
  if (state != 3) {  // a soft shadow under the raised states
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, state == 2 ? 30 : 55));
    p.drawRoundedRect(pill.translated(0, 2), r, r);
  }
  QLinearGradient g(pill.topLeft(), pill.bottomLeft());
  g.setColorAt(0, fill.lighter(108));
  g.setColorAt(1, fill.darker(104));
  p.setBrush(g);
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(pill, r, r);
  if (state == 4) {  // keyboard focus: a white ring inside the edge
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 230), 2));
    p.drawRoundedRect(pill.adjusted(3, 3, -3, -3), r - 3, r - 3);
  }
  p.setPen(text);
  int px = static_cast<int>(pill.height() * 0.42);
  QFont f = LabelFont(px);
  while (px > 8 && QFontMetrics(f).horizontalAdvance(label) > pill.width() - 2 * r) f = LabelFont(--px);
  p.setFont(f);
  p.drawText(pill, Qt::AlignCenter, label);
}

bool Button(int id, const QString& label, bool primary, int width = 215, int bandHeight = 56) {
  QImage img(width, bandHeight * 5, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  for (int s = 0; s < 5; ++s) DrawBand(p, QRectF(0, s * bandHeight, width, bandHeight), label, primary, s);
  p.end();
  return Save(img, QString("buttons/%1.png").arg(id));
}

// The vane: four curved blades around a hub, the program's mark.
void DrawVane(QPainter& p, QPointF c, qreal r, qreal angle, const QColor& a, const QColor& b) {
  p.save();
  p.translate(c);
  p.rotate(angle);
  for (int i = 0; i < 4; ++i) {
    QPainterPath blade;
    blade.moveTo(0, 0);
    blade.cubicTo(r * 0.15, -r * 0.55, r * 0.75, -r * 0.70, r, -r * 0.18);
    blade.cubicTo(r * 0.70, -r * 0.05, r * 0.35, r * 0.02, 0, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(i % 2 ? b : a);
    p.drawPath(blade);
    p.rotate(90);
  }
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(0, 0), r * 0.12, r * 0.12);
  p.restore();
}

QImage Canvas(int w, int h, const QColor& fill = Qt::transparent) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(fill);
  return img;
}

bool Logos() {
  QImage left = Canvas(134, 38);
  {
    QPainter p(&left);
    p.setRenderHint(QPainter::Antialiasing);
    DrawVane(p, QPointF(19, 19), 17, 15, kRed, kGreen);
    QFont f = LabelFont(22);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(42, 0, 92, 38), Qt::AlignVCenter | Qt::AlignLeft, "Up Vane");
  }
  QImage right = Canvas(158, 52);
  {
    QPainter p(&right);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = LabelFont(24);
    f.setLetterSpacing(QFont::PercentageSpacing, 112);
    p.setFont(f);
    p.setPen(kRed);
    p.drawText(QRectF(0, 2, 158, 30), Qt::AlignCenter, "CALVERA");
    QFont s("Arial");
    s.setPixelSize(12);
    p.setFont(s);
    p.setPen(kText);
    p.drawText(QRectF(0, 30, 158, 18), Qt::AlignCenter, "phone software update");
  }
  return Save(left, "bitmaps/154.png") && Save(right, "bitmaps/153.png");
}

// A phone outline, the subject of every page picture.
void DrawPhone(QPainter& p, const QRectF& r, const QColor& screen) {
  p.setPen(QPen(kInk, 4));
  p.setBrush(QColor(250, 250, 249));
  p.drawRoundedRect(r, 22, 22);
  const QRectF s = r.adjusted(12, 34, -12, -40);
  p.setPen(Qt::NoPen);
  p.setBrush(screen);
  p.drawRoundedRect(s, 6, 6);
  p.setBrush(kInk);
  p.drawRoundedRect(QRectF(r.center().x() - 16, r.top() + 14, 32, 6), 3, 3);
  p.drawEllipse(QPointF(r.center().x(), r.bottom() - 20), 8, 8);
}

bool Pictures() {
  const int W = 260, H = 300;
  struct Pic {
    int id;
    int kind;
  } pics[] = {{155, 0}, {156, 1}, {157, 2}, {164, 3}};
  for (const Pic& pic : pics) {
    QImage img = Canvas(W, H);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A soft disc behind the phone.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QPointF(W / 2.0, H / 2.0 + 6), 122, 122);
    const QRectF phone(W / 2.0 - 62, 28, 124, 236);
    DrawPhone(p, phone, pic.kind == 3 ? kGreen : QColor(214, 236, 226));
    const QPointF c = phone.center() + QPointF(0, -3);
    switch (pic.kind) {
      case 0: {  // welcome: the phone with its cable
        p.setPen(QPen(kInk, 5, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        QPainterPath cable;
        cable.moveTo(phone.center().x(), phone.bottom());
        cable.cubicTo(phone.center().x(), H - 4, 40, H - 30, 16, H - 60);
        p.drawPath(cable);
        DrawVane(p, c, 34, 10, kRed, kGreenDark);
        break;
      }
      case 1: {  // checking: a magnifier over the screen
        p.setPen(QPen(kRed, 7, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(QColor(255, 255, 255, 120));
        p.drawEllipse(c + QPointF(-6, -8), 30, 30);
        p.drawLine(c + QPointF(16, 14), c + QPointF(40, 38));
        break;
      }
      case 2: {  // working: a download arrow
        p.setPen(Qt::NoPen);
        p.setBrush(kGreenDark);
        QPainterPath arrow;
        arrow.moveTo(c + QPointF(-12, -36));
        arrow.lineTo(c + QPointF(12, -36));
        arrow.lineTo(c + QPointF(12, 0));
        arrow.lineTo(c + QPointF(30, 0));
        arrow.lineTo(c + QPointF(0, 32));
        arrow.lineTo(c + QPointF(-30, 0));
        arrow.lineTo(c + QPointF(-12, 0));
        arrow.closeSubpath();
        p.drawPath(arrow);
        break;
      }
      case 3: {  // done: a check mark
        p.setPen(QPen(Qt::white, 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({c + QPointF(-30, 0), c + QPointF(-8, 24), c + QPointF(32, -24)}));
        break;
      }
    }
    p.end();
    if (!Save(img, QString("bitmaps/%1.png").arg(pic.id))) return false;
  }
  return true;
}

// Frame strips in place of the animation clips: frames side by side.
bool Animations() {
  const int F = 12, S = 96;
  for (int id : {172, 173, 174}) {
    QImage img = Canvas(S * F, S);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int f = 0; f < F; ++f) {
      const QPointF c(f * S + S / 2.0, S / 2.0);
      if (id == 172) {  // checking: a vane turning
        DrawVane(p, c, 40, f * 360.0 / F / 2, kRed, kGreen);
      } else {  // working: dots running round a ring
        for (int d = 0; d < 8; ++d) {
          const qreal a = (d * 45.0 + (id == 173 ? f : -f) * 30.0) * M_PI / 180.0;
          const int age = (d + F - f % 8) % 8;
          QColor col = id == 173 ? kGreenDark : kRed;
          col.setAlpha(255 - age * 28);
          p.setPen(Qt::NoPen);
          p.setBrush(col);
          p.drawEllipse(c + QPointF(qCos(a) * 32, qSin(a) * 32), 7 - age * 0.5, 7 - age * 0.5);
        }
      }
    }
    p.end();
    if (!Save(img, QString("anim/%1.png").arg(id))) return false;
  }
  return true;
}

bool Icon() {
  QImage img = Canvas(128, 128);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kPaper);
  p.drawRoundedRect(QRectF(4, 4, 120, 120), 26, 26);
  DrawVane(p, QPointF(64, 64), 54, 15, kRed, kGreenDark);
  p.end();
  return Save(img, "icon/128.png");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: upvane_artgen <output folder>\n");
    return 2;
  }
  g_out = QString::fromLocal8Bit(argv[1]);
  const bool ok = Button(160, "CANCEL", false) && Button(161, "DON'T REPAIR", false) &&
                  Button(162, "EXIT", false) && Button(163, "EXIT", true) && Button(164, "FINISH", true) &&
                  Button(165, "NEXT", true) && Button(166, "START REPAIR", true) &&
                  Button(167, "START UPDATE", true) && Button(168, "DON'T REPAIR", false, 360, 50) &&
                  Button(170, "START REPAIR", true, 360, 50) && Button(171, "CLOSE", true, 720, 50) &&
                  Logos() && Pictures() && Animations() && Icon();
  return ok ? 0 : 1;
}
