#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <cstdlib>

#include "platform/qt/gui_thread.h"

namespace upvane::test {

QString SaveScreenshot(QWidget* widget, const QString& name) {
  QDir().mkpath(UPVANE_SCREENSHOT_DIR);
  const QString path = QString(UPVANE_SCREENSHOT_DIR) + "/" + name + ".png";
  widget->grab().save(path, "PNG");
  return path;
}

void ProcessEvents(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace upvane::test

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  upvane::InstallGuiThreadLoop();
  ::testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  upvane::RemoveGuiThreadLoop();
  return rc;
}
