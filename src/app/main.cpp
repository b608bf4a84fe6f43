#include "app/fplay.h"
#include "app/qtprompts.h"
#include "app/signalbridge.h"
#include "base/commandlinepaths.h"

#include <QApplication>
#include <QDir>
#include <QSessionManager>
#include <QTimer>

int main(int argc, char* argv[]) {
  // Being told to quit at any moment from here on ends in the ordinary shutdown.
  lyrovo::SignalBridge::arm();
  // On X11 the window's pixels go to the server in plain image requests, not
  // through shared memory: Qt's shared-memory path waits on the server before
  // repainting a region it has sent, a round trip per frame, and for this
  // small window that redraws its spectrum 50 times a second that costs the
  // player and the X server more than copying the changed rows. A choice the
  // user made stands, and programs started from the player do not inherit ours.
  const bool pixelTransferIsOurs = !qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
  if (pixelTransferIsOurs) qputenv("QT_XCB_NO_MITSHM", "1");
  QApplication app(argc, argv);
  if (pixelTransferIsOurs) qunsetenv("QT_XCB_NO_MITSHM");
  // Each argument after Qt's own options is one file, made absolute before
  // anything keeps it.
  const QStringList files =
      lyrovo::AbsoluteCommandLinePaths(QCoreApplication::arguments().mid(1), QDir::currentPath());
  QApplication::setQuitOnLastWindowClosed(true);

  lyrovo::QtPrompts prompts;
  lyrovo::AppContext context(lyrovo::AppPaths::forExecutable(QCoreApplication::applicationFilePath()),
                             lyrovo::ShellEnvironment::fromEnvironment(), &prompts);
  lyrovo::Fplay window(context, files);
  prompts.setParent(&window);

  // A signal during start-up is remembered and the shutdown runs once
  // start-up is complete; a box waiting for an answer is closed so that
  // start-up can get there.
  bool started = false;
  bool quitRequested = false;
  QTimer boxCloser;
  boxCloser.setInterval(100);
  QObject::connect(&boxCloser, &QTimer::timeout, [] {
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  lyrovo::SignalBridge signals_;
  QObject::connect(&signals_, &lyrovo::SignalBridge::terminationRequested, &window, [&] {
    if (started) {
      window.close();
      return;
    }
    quitRequested = true;
    boxCloser.start();
  });

  if (window.Form_Load() == lyrovo::Fplay::LoadResult::Exit) return 0;
  started = true;
  boxCloser.stop();
  if (quitRequested) {
    window.close();
    return 0;
  }
  // The session ending: save when asked to, and shut down when Qt quits.
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                   [&](QSessionManager&) { window.SaveAll(); });
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &lyrovo::Fplay::Form_Unload);
  window.FinishStartUp();
  return app.exec();
}
