// The INI layer on any bytes: read, look up, change a key, write out.
#include "fuzzfile.h"

#include "base/apperror.h"
#include "settings/inifile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString path = lyrovo::fuzz::writeInput(QStringLiteral("Settings.ini"), data, size);
  try {
    lyrovo::IniFile ini = lyrovo::IniFile::load(path);
    for (const auto* section : {u"Settings", u"Skin", u""})
      for (const auto* key : {u"volumn", u"WordPath", u""}) {
        (void)ini.getString(section, key);
        (void)ini.getFullString(section, key);
      }
    ini.setString(u"Settings", u"volumn", QStringLiteral("50\r\n="));
    ini.setString(u"New", u"key", QString());
    (void)lyrovo::IniFile(ini.toText()).getString(u"Settings", u"volumn");
  } catch (const lyrovo::AppError&) {
  }
  return 0;
}
