#include "app/fplay.h"
#include "app/qtprompts.h"
#include "app/signalbridge.h"

#include <QApplication>
#include <QFile>

int main(int argc, char* argv[]) {
  // Each argument is one file; read them before Qt takes its own options out.
  QStringList files;
  for (int i = 1; i < argc; ++i) files << QFile::decodeName(argv[i]);

  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(true);

  lyrovo::QtPrompts prompts;
  lyrovo::AppContext context(lyrovo::AppPaths::forExecutable(QCoreApplication::applicationFilePath()),
                             lyrovo::ShellEnvironment::fromEnvironment(), &prompts);
  lyrovo::Fplay window(context, files);
  prompts.setParent(&window);
  lyrovo::SignalBridge signals_;
  QObject::connect(&signals_, &lyrovo::SignalBridge::terminationRequested, &window, &QWidget::close);

  if (window.Form_Load() == lyrovo::Fplay::LoadResult::Exit) return 0;
  return app.exec();
}
