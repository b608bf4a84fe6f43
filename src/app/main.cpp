#include "app/fplay.h"
#include "app/qtprompts.h"
#include "app/signalbridge.h"

#include <QApplication>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // Each argument after Qt's own options is one file.
  const QStringList files = QCoreApplication::arguments().mid(1);
  QApplication::setQuitOnLastWindowClosed(true);

  lyrovo::QtPrompts prompts;
  lyrovo::AppContext context(lyrovo::AppPaths::forExecutable(QCoreApplication::applicationFilePath()),
                             lyrovo::ShellEnvironment::fromEnvironment(), &prompts);
  lyrovo::Fplay window(context, files);
  prompts.setParent(&window);
  if (window.Form_Load() == lyrovo::Fplay::LoadResult::Exit) return 0;
  // From here on being told to quit runs the same shutdown as closing the
  // window; a signal during start-up ends the program with nothing saved.
  lyrovo::SignalBridge signals_;
  QObject::connect(&signals_, &lyrovo::SignalBridge::terminationRequested, &window, &QWidget::close);
  return app.exec();
}
