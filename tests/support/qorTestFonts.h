#pragma once
// A font configuration like that of a machine on which "Arial" falls to a wider face:
// the system's own configuration plus a rule that makes Arial DejaVu Sans. Under it
// only the program's own choice of faces (UseMetricCompatibleFonts) keeps the widths
// its forms and report are designed for. Point FONTCONFIG_FILE at FileName before
// the fonts of a process start.

#include <QFile>
#include <QString>
#include <QTemporaryDir>

class TArialAsDejaVuSans {
public:
  TArialAsDejaVuSans() {
    QFile file(FileName());
    if (file.open(QIODevice::WriteOnly)) file.write(Configuration);
  }
  QString FileName() const { return FFolder.filePath(QStringLiteral("fonts.conf")); }

private:
  static constexpr const char* Configuration = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="pattern">
    <test name="family"><string>Arial</string></test>
    <edit name="family" mode="assign" binding="strong"><string>DejaVu Sans</string></edit>
  </match>
</fontconfig>
)";
  QTemporaryDir FFolder;
};
