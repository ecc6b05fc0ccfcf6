#pragma once
// The version information that a program file carries about itself. Every executable of
// this project holds a block of named strings (company, description, versions, version
// date, ...) generated from the build data; ReadVersion finds that block in a file.
// Files without it have no version information.

#include "qorList.h"

#include <QByteArray>
#include <QDate>
#include <QString>

// A four-part version number with its text forms.
class TqorFileVersion : public TqorObject {
public:
  // The display format after construction: minor part with at least two digits.
  static inline const QString DefaultDisplayFormat = QStringLiteral("v%d.%2.2d.%d (%d)");

  int Major = 0;
  int Minor = 0;
  int Release = 0;
  int Build = 0;
  // Format of AsDisplayString over the four parts: %d with optional width and
  // precision ("%2.2d"), %% for a percent sign.
  QString DisplayFormat = DefaultDisplayFormat;

  // Sets the four parts to 0; the display format stays.
  void Clear();
  // "Major.Minor.Release.Build".
  QString AsString() const;
  // Clears, then takes the "."-separated words as major, minor, release and build
  // (empty words dropped, further words ignored). A word that is not a decimal integer
  // raises EConvertError; the parts before it keep their new values.
  void setAsString(const QString& Text);
  // DisplayFormat over the four parts (0.1.0.20 gives "v0.01.0 (20)"). A format with
  // another conversion or more than four raises EConvertError.
  QString AsDisplayString() const;
};

// The version information read from a program file.
class TqorApplicationVersion : public TqorObject {
public:
  TqorApplicationVersion() = default;

  // Clears both version numbers, empties the texts and the version date.
  void Clear();
  // Reads the version information of FileName. False, with nothing changed, when the
  // file cannot be read or carries none. A version number word that is not a number and
  // a version date that names no existing date raise EConvertError.
  bool ReadVersion(const QString& FileName);

  const QString& CompanyName() const { return FCompanyName; }
  const QString& FileDescription() const { return FFileDescription; }
  const TqorFileVersion& FileVersion() const { return FFileVersion; }
  const QString& InternalName() const { return FInternalName; }
  const QString& LegalCopyright() const { return FLegalCopyright; }
  const QString& LegalTradeMarks() const { return FLegalTradeMarks; }
  const QString& OriginalFilename() const { return FOriginalFilename; }
  const QString& ProductName() const { return FProductName; }
  const TqorFileVersion& ProductVersion() const { return FProductVersion; }
  const QString& Comments() const { return FComments; }
  // The version date; a null date when there is none.
  const QDate& VersionDate() const { return FVersionDate; }
  // Language and code page of the string table as eight upper-case hexadecimal digits
  // ("040704E4"); empty when the file names no translation.
  const QString& LangCharset() const { return FLangCharset; }
  // The language id of the first translation.
  quint16 LangCharsetLo() const { return FLangCharsetLo; }
  // The code page of the first translation.
  quint16 LangCharsetHi() const { return FLangCharsetHi; }

  // The bytes that open the version block in a program file.
  static QByteArray BlockMarker();

private:
  TqorFileVersion FFileVersion;
  TqorFileVersion FProductVersion;
  QString FCompanyName;
  QString FFileDescription;
  QString FInternalName;
  QString FLegalCopyright;
  QString FLegalTradeMarks;
  QString FOriginalFilename;
  QString FProductName;
  QString FComments;
  QString FLangCharset;
  QDate FVersionDate;
  quint16 FLangCharsetLo = 0;
  quint16 FLangCharsetHi = 0;
};
