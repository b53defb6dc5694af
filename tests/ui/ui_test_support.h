#pragma once
// The ui tests run offscreen with one QApplication and save a PNG of every
// window they show to build/screenshots/.
#include <QString>
#include <QWidget>

namespace upvane::test {

// Saves the widget as <build>/screenshots/<name>.png; returns the path.
QString SaveScreenshot(QWidget* widget, const QString& name);

// Runs the event loop for a moment so that queued work happens.
void ProcessEvents(int ms = 20);

}  // namespace upvane::test
