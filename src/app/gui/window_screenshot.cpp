// kv_window_screenshot SOURCE_DIR OUTPUT_DIR PNG: analyses SOURCE_DIR from
// the window (answering Cancel to the closing question) and saves the window
// as it then looks, taken from the screen so that a window manager's frame
// and caption are in the picture. Run it under Xvfb in an empty folder (the
// work folder and the log are written there), with a window manager:
//   xvfb-run -a -s "-screen 0 1280x1024x24" sh -c 'openbox & sleep 1;
//       kv_window_screenshot "$SRC/samples/engine_ctl" out "$SRC/docs/window.png"'
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/gui/answering_policy.h"
#include "app/gui/main_window.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: kv_window_screenshot SOURCE_DIR OUTPUT_DIR PNG\n");
    return 2;
  }
  QApplication app(argc, argv);
  const QString source = QString::fromLocal8Bit(argv[1]);
  const QString output = QString::fromLocal8Bit(argv[2]);
  const QString png = QString::fromLocal8Bit(argv[3]);
  QDir().mkpath(output);

  kv::gui::AnsweringPolicy policy;
  policy.answers.push_back(false);
  kv::gui::MainWindow window(policy);
  window.findChild<QLineEdit*>("ctl1003")->setText(source);
  window.findChild<QLineEdit*>("ctl1006")->setText(output);
  window.show();

  int status = 1;
  QTimer::singleShot(200, &window, [&] {
    window.Analyze();
    for (const QString& message : policy.Messages()) std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    QTimer::singleShot(500, &window, [&] {
      QRect frame = window.frameGeometry();
      QPixmap shot = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
      status = shot.save(png) ? 0 : 1;
      app.quit();
    });
  });
  app.exec();
  return status;
}
