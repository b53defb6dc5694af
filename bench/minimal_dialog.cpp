// The anchor of the start-up benchmark: a bare Qt program that shows one
// empty dialog and says so, built like the program.
#include <QApplication>
#include <QDialog>
#include <cstdio>

class Shown : public QDialog {
 protected:
  void showEvent(QShowEvent* e) override {
    QDialog::showEvent(e);
    std::fputs("main window shown\n", stderr);
    std::fflush(stderr);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Shown dlg;
  dlg.resize(936, 639);
  return dlg.exec();
}
