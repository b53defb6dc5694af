#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "ui/controls/alpha_button.h"
#include "ui/controls/href_text.h"
#include "ui/controls/radio_panel.h"
#include "ui/look.h"
#include "ui_test_support.h"

namespace upvane {
namespace {

TEST(AlphaButton, LoadsStripAndShowsTheStateBand) {
  QWidget parent;
  CAlphaButton b(&parent);
  EXPECT_FALSE(b.LoadImage(999));
  EXPECT_FALSE(b.HasImage());
  b.SetScale(1.5, 0.5);
  ASSERT_TRUE(b.LoadImage(165));
  EXPECT_EQ(b.size(), QSize(323, 28));  // one 215x56 band times the scale
  EXPECT_EQ(b.StateIndex(), 0);
  b.setEnabled(false);
  EXPECT_EQ(b.StateIndex(), 3);
  b.setEnabled(true);
  b.setDown(true);
  EXPECT_EQ(b.StateIndex(), 2);
}

TEST(AlphaButton, DisabledDrawsItsDisabledBand) {
  QWidget parent;
  parent.resize(300, 100);
  CAlphaButton b(&parent);
  ASSERT_TRUE(b.LoadImage(165));
  const QImage strip = QImage(":/art/buttons/165.png").convertToFormat(QImage::Format_ARGB32);
  b.setEnabled(false);
  const QImage shown = b.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  // The pill's centre pixel matches band 3 of the strip, not band 0.
  const QPoint c(215 / 2, 56 / 2 - 12);
  const QColor drawn = shown.pixelColor(c);
  EXPECT_EQ(drawn.rgb(), strip.pixelColor(c + QPoint(0, 3 * 56)).rgb());
  EXPECT_NE(drawn.rgb(), strip.pixelColor(c).rgb());
}

TEST(HrefText, OpensTheLinkOrTheText) {
  CHrefText link;
  link.SetText("Click to learn why it has not be detected.");
  EXPECT_EQ(link.Target(), "Click to learn why it has not be detected.");
  link.SetLink("https://support.example.com/x");
  EXPECT_EQ(link.Target(), "https://support.example.com/x");
  EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
}

TEST(RadioPanel, OneEntryHasNoScrollBar) {
  CQxRadioPanel panel;
  panel.resize(600, 300);
  panel.SetItemHeight(120);
  panel.AddEntry("Tarkon LTE", "Phone number: 555-123-4567");
  EXPECT_FALSE(panel.HasScrollBar());
  EXPECT_EQ(panel.GetSelected(), 0);
  EXPECT_TRUE(panel.HandleKey(Qt::Key_PageDown));
  EXPECT_EQ(panel.Offset(), 0);
}

TEST(RadioPanel, SelectionScrollingAndLayout) {
  QWidget page;
  page.resize(700, 320);
  CQxRadioPanel panel(&page);
  panel.setGeometry(20, 10, 600, 300);
  panel.SetScale(1.0, 1.0);
  panel.SetItemHeight(120);
  panel.SetFonts(CellHeightFont(30, true), PointFont(11));
  for (int i = 0; i < 5; ++i)
    panel.AddEntry(QString("Phone %1").arg(i), QString("Phone number: 555-000-000%1").arg(i));
  EXPECT_TRUE(panel.HasScrollBar());
  EXPECT_EQ(panel.MaxOffset(), 5 * 120 - 300);
  EXPECT_EQ(panel.Button(2)->geometry(), QRect(20, 2 * 120 + 10, 550, 35));

  panel.Button(3)->click();
  EXPECT_EQ(panel.GetSelected(), 3);
  EXPECT_FALSE(panel.Button(0)->isChecked());

  panel.HandleKey(Qt::Key_PageDown);
  EXPECT_EQ(panel.Offset(), 10);
  panel.HandleKey(Qt::Key_Down);
  EXPECT_EQ(panel.Offset(), 11);
  EXPECT_EQ(panel.Button(0)->y(), 10 - 11);
  panel.HandleKey(Qt::Key_End);
  EXPECT_EQ(panel.Offset(), panel.MaxOffset());
  panel.HandleKey(Qt::Key_PageDown);
  EXPECT_EQ(panel.Offset(), panel.MaxOffset());  // kept at the end
  panel.HandleKey(Qt::Key_Home);
  EXPECT_EQ(panel.Offset(), 0);
  panel.HandleWheel(-240);  // two notches down
  EXPECT_EQ(panel.Offset(), 20);
  panel.HandleWheel(1200);
  EXPECT_EQ(panel.Offset(), 0);
  page.show();
  test::ProcessEvents();
  test::SaveScreenshot(&page, "radio_panel_five_entries");
}

}  // namespace
}  // namespace upvane
