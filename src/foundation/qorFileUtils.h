#pragma once
// File-name helpers, folder creation, the user's special folders and system error texts.
// Paths use the native separator; "/" is accepted as well.

#include <QStandardPaths>
#include <QString>

// Text without the characters of "\/.<>|:"; every other character stays.
QString RemoveInvalidFileNameChars(const QString& Text);

// The file name of Path without its folder and without its last extension.
QString FileBaseName(const QString& Path);

// Makes every folder of Path exist, from the outermost one in. A path that starts with
// two separators is a network path: the walk starts at server and share and never
// creates the server. Fails with "CreatePath: Kann Verzeichnis '<folder>' nicht anlegen"
// for the first folder that can neither be found nor created. An empty path does nothing.
void CreatePath(const QString& Path);

// The path of one of the user's standard folders, created when missing. Fails with
// "Fehler im Aufruf von GetWindowsFolder: " + SystemErrorText.
QString GetWindowsFolder(QStandardPaths::StandardLocation Location);

// The user's application-data folder, created when missing.
QString GetAppDataFolder();

// The user's pictures folder, created when missing.
QString GetPicturesFolder();

// "(" + Code + ") " + the system's message for the error code, at most 1024 characters.
QString SystemErrorText(int Code);
