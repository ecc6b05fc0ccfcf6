#pragma once
// German reasons for the system's error codes of reading and writing files, so that a
// failure reads "Kein Platz ..." instead of Qt's or the C library's English.

#include <QString>

// What was being done when the error occurred; some codes mean something else for each.
enum class TFileAccess { Read, Write };

// Reasons that are no system error code of their own.
inline constexpr char ReasonFileMissing[] = "Sie existiert nicht.";
inline constexpr char ReasonIsFolder[] = "Das ist ein Verzeichnis.";
// A device, a FIFO or a socket: reading could block or never end, replacing would
// replace the device.
inline constexpr char ReasonNoRegularFile[] = "Das ist keine gewöhnliche Datei.";
inline constexpr char ReasonFolderMissing[] = "Das Verzeichnis existiert nicht.";
inline constexpr char ReasonFolderNotAccessible[] = "Keine Berechtigung für das Verzeichnis.";
inline constexpr char ReasonFolderNotWritable[] = "Keine Berechtigung zum Schreiben in das Verzeichnis.";
inline constexpr char ReasonFileReadOnly[] = "Die Datei ist schreibgeschützt.";
inline constexpr char ReasonFileNotReadable[] = "Keine Berechtigung zum Lesen der Datei.";

// The reason for Code (an errno value) as a German sentence; an unusual code gives
// "Systemfehler (<code>) <the system's text>".
QString FileErrorReason(int Code, TFileAccess Access);
