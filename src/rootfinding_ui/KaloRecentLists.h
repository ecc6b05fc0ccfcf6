#pragma once
// What the root-finding window remembers between runs besides its place on the screen:
// the task files opened or saved last, most recent first, and the folder last used for
// each kind of file. Both are kept at aslsRecentLists of the configuration storage:
//   the files    value "RecentFiles" of the sub key <form name>, one string
//                "ID=file;ID=file" as TqorRecentFileMenueHandlerCommon writes it;
//   the folders  values "Graphic", "Function", "Values" of the sub key "RecentPlaces",
//                each folder with a trailing separator.
// The file list is held by a recent-file handler: a window hands it the menu that shows
// the list and listens to its clicks; without a menu it is the list alone, so tests
// drive this class without a window.
// The storage is the global service provider's at each read and write; without a
// provider or its storage they fail with the provider's messages.

#include "qorFormUtil.h"

#include <QString>

class TqorAppStorageBase;

// The kinds of files whose folder is remembered.
enum class TKaloRecentPlace { Graphic, Function, Values };

class TKaloRecentLists {
public:
  // Enough task files to come back to, few enough to read at a glance.
  static constexpr int FileCapacity = 15;

  // Lists stored under FormName; the file list is empty until ReadFiles.
  explicit TKaloRecentLists(const QString& FormName);
  TKaloRecentLists(const TKaloRecentLists&) = delete;
  TKaloRecentLists& operator=(const TKaloRecentLists&) = delete;

  // The task files, top first, with their menu once a window has set one.
  TqorRecentFilePopupMenueHandler& Files() { return FFiles; }
  const TqorRecentFilePopupMenueHandler& Files() const { return FFiles; }
  // Replaces the file list by the stored one, one entry per file (the upper one stays
  // where a list stored before held a file twice); a storage that fails throws and
  // leaves the list as it was.
  void ReadFiles();
  // Puts FileName at the top and stores the list. Two names stand for one file when
  // they lead to the same canonical path (links resolved; a missing file by its cleaned
  // absolute path): the file's entry moves to the top with its ID and takes FileName's
  // spelling, so each file is listed once. The list has changed also when storing it
  // fails.
  void AddFile(const QString& FileName);
  // Takes FileName's entry (compared as AddFile compares) off the list and stores it.
  void RemoveFile(const QString& FileName);

  // The folder remembered for Place, Default when none is.
  QString Folder(TKaloRecentPlace Place, const QString& Default) const;
  // Remembers the folder of FileName for Place.
  void RememberFolder(TKaloRecentPlace Place, const QString& FileName);

private:
  // Stores the file list under the form name.
  void WriteFiles();
  // Takes every entry of FileName off the list; the ID of the upper one, or none (0).
  int TakeOff(const QString& FileName);

  QString FFormName;
  TqorRecentFilePopupMenueHandler FFiles{nullptr};
};
