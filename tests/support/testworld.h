#pragma once

#include "app/appcontext.h"
#include "base/scriptedprompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace lyrovo::testing {

// A private world for one test: the program folder, the user's XDG folders
// and the desktop under one temporary folder, scripted prompts, and a
// terminate hook that records instead of ending the test process.
struct TestWorld {
  QTemporaryDir root;
  ScriptedPrompts prompts;
  std::optional<int> terminatedWith;

  QString appPath() const { return root.path() + QStringLiteral("/app/"); }
  QString path(const QString& relative) const { return root.path() + u'/' + relative; }

  TestWorld() {
    QDir().mkpath(appPath());
    QDir().mkpath(path(QStringLiteral("Desktop")));
    QFile exe(appPath() + QStringLiteral("lyrovo"));
    exe.open(QIODevice::WriteOnly);
    exe.write("#!/bin/sh\n");
    exe.setPermissions(exe.permissions() | QFile::ExeOwner | QFile::ExeUser);
  }

  ShellEnvironment shell() const {
    return {path(QStringLiteral("data")), path(QStringLiteral("config")), path(QStringLiteral("Desktop"))};
  }

  std::unique_ptr<AppContext> makeContext(Prompts* prompts = nullptr) {
    AppPaths paths{appPath(), QStringLiteral("lyrovo"), appPath() + QStringLiteral("lyrovo")};
    auto context = std::make_unique<AppContext>(paths, shell(), prompts ? prompts : &this->prompts);
    context->terminate = [this](int code) { terminatedWith = code; };
    return context;
  }

  void writeFile(const QString& relative, const QByteArray& bytes) const {
    const QString file = path(relative);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(bytes);
  }
  QByteArray readFile(const QString& relative) const {
    QFile in(path(relative));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
  }
};

}  // namespace lyrovo::testing
