#pragma once
// Recently used files: a short list, most recent first, that becomes numbered menu
// entries with accelerator keys and is stored as one configuration string
// "ID=file name;ID=file name;...". Each entry carries an ID that is the tag
// (QAction::data) of its menu item, so that a click finds the right file even after
// the list has changed. The owner reads and writes the string; the handler never
// touches configuration storage itself.

#include "qorList.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;
class QMenu;

// The message of an entry text that does not hold an ID and a file name; %1 is the text.
extern const char* const MsgRecentFileItemUnusable;

// One recent file.
class TqorRecentFileItem : public TqorObject {
public:
  // Full path of the file.
  const QString& FileName() const { return FFileName; }
  void setFileName(const QString& value) { FFileName = value; }
  // Identifier of the entry and tag of its menu item; below 1 means "none yet".
  int ID() const { return FID; }
  void setID(int value) { FID = value; }
  // Position in the list, 0 for the top; the number of the menu caption.
  int Index() const { return FIndex; }
  void setIndex(int value) { FIndex = value; }

  // "ID=file name", for example "5=C:\Aufgaben\Polynom.nwd".
  QString AsConfigString() const;
  // Reads "ID=file name": the ID is the first run of characters without "=", the file
  // name everything after the "=" that follows it, so a name may contain "=". Extra "="
  // before the ID, before the name and at the end are ignored.
  // Fails with MsgRecentFileItemUnusable when a part is missing and with EConvertError
  // when the ID is no integer; the entry is left unchanged then.
  void setAsConfigString(const QString& Text);
  // "&1 name" to "&9 name", "1&0 name", then "11 name" ...: accelerator keys 1-9 and 0
  // for the first ten entries. An "&" of the file name is doubled so that it shows.
  QString AsMenueCaption() const;

private:
  QString FFileName;
  int FID = 0;
  int FIndex = 0;
};

// The entries, most recent first; removing an entry destroys it.
class TqorRecentFileList : public TqorTypedObjectList<TqorRecentFileItem> {
public:
  // By ID, then by file name with letter case ignored; 0 means the same entry.
  int CompareObjects(const TqorObject* Obj1, const TqorObject* Obj2) const override;
  // The first entry with that ID, or nullptr.
  TqorRecentFileItem* RetrieveItem(int id) const;
  // True when an entry has that ID.
  bool RetrieveItemIDExists(int id) const;
};

// The list with its capacity, its configuration string and the menu that shows it.
// Subclasses decide which menu that is and how new entries get their IDs.
class TqorRecentFileMenueHandlerCommon : public QObject {
  Q_OBJECT

public:
  // Entries kept when nothing else is set.
  static constexpr int DefaultCapacity = 4;

  // A handler owned by AOwner, with an empty list.
  explicit TqorRecentFileMenueHandlerCommon(QObject* AOwner);

  // Largest number of entries kept; a change takes effect at the next addition.
  int Capacity() const { return FCapacity; }
  void setCapacity(int value) { FCapacity = value; }
  // The entries, top first.
  const TqorRecentFileList& RecentFiles() const { return FRecentFiles; }

  // The entries' configuration strings, top first, joined by ";" (empty list: "").
  QString AsConfigString() const;
  // Replaces the list by the entries of Text in their order, the first Capacity ones;
  // words that are not "ID=file name" are skipped silently. Rebuilds the menu.
  void setAsConfigString(const QString& Text);

  // Puts Name at the top: an entry with the same ID and name (letter case ignored) is
  // moved there, otherwise a new entry is made (AssignItemID gives it its ID). Drops
  // the bottom entries beyond Capacity, renumbers the entries, rebuilds the menu.
  void AddRecentFile(int index, int id, const QString& Name);
  // Removes every entry for which Matches holds, asking from the bottom entry up;
  // renumbers the others and rebuilds the menu.
  void RemoveRecentFiles(const std::function<bool(const TqorRecentFileItem&)>& Matches);

  // The first entry whose menu caption equals Caption (letter case ignored), or nullptr.
  TqorRecentFileItem* RetrieveItemByMenueCaption(const QString& Caption) const;
  // The first entry whose file name equals FileName (letter case ignored), or nullptr.
  TqorRecentFileItem* RetrieveItemByFileName(const QString& FileName) const;
  // The first entry with that ID, or nullptr.
  TqorRecentFileItem* RetrieveItemByID(int ID) const;

public slots:
  // The click of a menu item tagged with an entry's ID: reports that entry through
  // RecentFileClick; an item whose entry is gone reports nothing.
  void MenuItemClick(QAction* Sender);

signals:
  // A menu item of an entry was clicked. FileName is a copy, so the receiver may change
  // the list (open the file and move it to the top) while using it.
  void RecentFileClick(const QString& FileName, int ID);

protected:
  // Gives a new entry its ID before it is inserted; keeps the ID here.
  virtual void AssignItemID(TqorRecentFileItem& item);
  // Fills the menu from the list.
  virtual void RebuildMenu() = 0;

private:
  // AddRecentFile without the menu rebuild, so that reading a string rebuilds once.
  void InsertRecentFile(int index, int id, const QString& Name);

  int FCapacity = DefaultCapacity;
  TqorRecentFileList FRecentFiles;
};

// Shows the list in a popup menu and keeps the IDs unique within the list.
class TqorRecentFilePopupMenueHandler : public TqorRecentFileMenueHandlerCommon {
  Q_OBJECT

public:
  explicit TqorRecentFilePopupMenueHandler(QObject* AOwner);

  // The menu that shows the entries (not owned); none until set.
  QMenu* PopupMenu() const;
  // Sets the menu and fills it from the list.
  void setPopupMenu(QMenu* value);

protected:
  // An ID below 1 becomes a random one; an ID already in the list is drawn anew.
  void AssignItemID(TqorRecentFileItem& item) override;
  // Replaces the menu's items by one item per entry: caption AsMenueCaption, tag the ID.
  void RebuildMenu() override;
  // A random ID from 1 to 2147483646.
  virtual int RandomItemID();

private:
  QPointer<QMenu> FPopupMenu;
};
