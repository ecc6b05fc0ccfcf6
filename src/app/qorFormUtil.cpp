#include "qorFormUtil.h"

#include "qorException.h"
#include "qorStrUtils.h"
#include "qorValue.h"

#include <QAction>
#include <QMenu>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <climits>

const char* const MsgRecentFileItemUnusable =
    "RecentFileItem.SetAsConfigString( %1 ): Parameter kann nicht verwendet werden.";

namespace {
// Separates the ID from the file name within an entry.
const TqorCharSet EntryDelimiter(u"=");
constexpr QChar EntryDelimiterChar = u'=';
// Separates the entries of the list.
const TqorCharSet ListDelimiter(u";");
constexpr QChar ListDelimiterChar = u';';

// Entries at indexes 0 to 8 get the digit keys 1 to 9; the tenth gets 0, the key after 9.
constexpr int TenthIndex = 9;

// New IDs are drawn from 1 up to the largest int but one; an ID below 1 means "none".
constexpr int FirstRandomID = 1;
constexpr int RandomIDBound = INT_MAX;  // exclusive

// The entry in slot Index of List as the handler reads it.
const TqorRecentFileItem& At(const TqorRecentFileList& List, int Index) { return *List.Items(Index); }

// The first entry of List for which Matches holds, or nullptr.
template <class Pred>
TqorRecentFileItem* FirstWhere(const TqorRecentFileList& List, Pred Matches) {
  for (int i = 0; i < List.Count(); ++i)
    if (TqorRecentFileItem* item = List.Items(i); item && Matches(*item)) return item;
  return nullptr;
}

bool SameText(const QString& A, const QString& B) { return A.compare(B, Qt::CaseInsensitive) == 0; }
}  // namespace

// ----------------------------------------------------------- TqorRecentFileItem

QString TqorRecentFileItem::AsConfigString() const { return QString::number(FID) + EntryDelimiterChar + FFileName; }

void TqorRecentFileItem::setAsConfigString(const QString& Text) {
  const qsizetype nameStart = FindWordStart(2, Text, EntryDelimiter);
  if (nameStart == 0) throw Exception(QString::fromUtf8(MsgRecentFileItemUnusable).arg(Text).toStdString());
  // Trailing "=" were never part of a name that was read back; they stay ignored so that
  // every stored list reads as before.
  QString name = Text.mid(nameStart - 1);
  while (name.endsWith(EntryDelimiterChar)) name.chop(1);
  const int id = ValueAsInteger(TqorValue(GetWord(1, Text, EntryDelimiter)), 0);
  FID = id;
  FFileName = name;
}

QString TqorRecentFileItem::AsMenueCaption() const {
  const QString name = QString(FFileName).replace(QStringLiteral("&"), QStringLiteral("&&"));
  const QString number = QString::number(FIndex + 1);
  if (FIndex < TenthIndex) return u'&' + number + u' ' + name;
  if (FIndex == TenthIndex) return QStringLiteral("1&0 ") + name;
  return number + u' ' + name;
}

// ----------------------------------------------------------- TqorRecentFileList

int TqorRecentFileList::CompareObjects(const TqorObject* Obj1, const TqorObject* Obj2) const {
  if (!Obj1 || !Obj2) return TqorObjectList::CompareObjects(Obj1, Obj2);
  const auto& a = *static_cast<const TqorRecentFileItem*>(Obj1);
  const auto& b = *static_cast<const TqorRecentFileItem*>(Obj2);
  if (a.ID() != b.ID()) return a.ID() < b.ID() ? -1 : 1;
  return a.FileName().compare(b.FileName(), Qt::CaseInsensitive);
}

TqorRecentFileItem* TqorRecentFileList::RetrieveItem(int id) const {
  return FirstWhere(*this, [id](const TqorRecentFileItem& item) { return item.ID() == id; });
}

bool TqorRecentFileList::RetrieveItemIDExists(int id) const { return RetrieveItem(id) != nullptr; }

// ----------------------------------------------------------- TqorRecentFileMenueHandlerCommon

TqorRecentFileMenueHandlerCommon::TqorRecentFileMenueHandlerCommon(QObject* AOwner) : QObject(AOwner) {}

QString TqorRecentFileMenueHandlerCommon::AsConfigString() const {
  QStringList entries;
  for (int i = 0; i < FRecentFiles.Count(); ++i) entries << At(FRecentFiles, i).AsConfigString();
  return entries.join(ListDelimiterChar);
}

void TqorRecentFileMenueHandlerCommon::setAsConfigString(const QString& Text) {
  FRecentFiles.Clear();
  const QString text = Text.trimmed();
  // Every addition goes to the top, so reading from the last word to the first leaves
  // the list in the order of the text, with its first Capacity entries.
  for (qsizetype n = CountWords(text, ListDelimiter); n >= 1; --n) {
    TqorRecentFileItem entry;
    try {
      entry.setAsConfigString(GetWord(n, text, ListDelimiter));
    } catch (const Exception&) {
      continue;  // one damaged entry must not cost the user the others
    }
    InsertRecentFile(static_cast<int>(n - 1), entry.ID(), entry.FileName());
  }
  RebuildMenu();
}

void TqorRecentFileMenueHandlerCommon::AddRecentFile(int index, int id, const QString& Name) {
  InsertRecentFile(index, id, Name);
  RebuildMenu();
}

void TqorRecentFileMenueHandlerCommon::RemoveRecentFiles(
    const std::function<bool(const TqorRecentFileItem&)>& Matches) {
  for (int i = FRecentFiles.Count() - 1; i >= 0; --i)
    if (Matches(At(FRecentFiles, i))) FRecentFiles.Delete(i);
  for (int i = 0; i < FRecentFiles.Count(); ++i) FRecentFiles.Items(i)->setIndex(i);
  RebuildMenu();
}

void TqorRecentFileMenueHandlerCommon::InsertRecentFile(int index, int id, const QString& Name) {
  auto entry = std::make_unique<TqorRecentFileItem>();
  entry->setFileName(Name);
  entry->setID(id);
  entry->setIndex(index);
  if (const int same = FRecentFiles.SearchSequential(entry.get()); same >= 0) FRecentFiles.Delete(same);
  AssignItemID(*entry);
  FRecentFiles.Insert(0, std::move(entry));
  while (FRecentFiles.Count() > std::max(FCapacity, 0)) FRecentFiles.Delete(FRecentFiles.Count() - 1);
  for (int i = 0; i < FRecentFiles.Count(); ++i) FRecentFiles.Items(i)->setIndex(i);
}

TqorRecentFileItem* TqorRecentFileMenueHandlerCommon::RetrieveItemByMenueCaption(const QString& Caption) const {
  return FirstWhere(FRecentFiles,
                    [&](const TqorRecentFileItem& item) { return SameText(item.AsMenueCaption(), Caption); });
}

TqorRecentFileItem* TqorRecentFileMenueHandlerCommon::RetrieveItemByFileName(const QString& FileName) const {
  return FirstWhere(FRecentFiles, [&](const TqorRecentFileItem& item) { return SameText(item.FileName(), FileName); });
}

TqorRecentFileItem* TqorRecentFileMenueHandlerCommon::RetrieveItemByID(int ID) const {
  return FRecentFiles.RetrieveItem(ID);
}

void TqorRecentFileMenueHandlerCommon::MenuItemClick(QAction* Sender) {
  if (!Sender) return;
  const TqorRecentFileItem* item = RetrieveItemByID(Sender->data().toInt());
  if (!item) return;
  // The receiver typically moves the entry to the top, which destroys this item.
  const QString fileName = item->FileName();
  emit RecentFileClick(fileName, item->ID());
}

void TqorRecentFileMenueHandlerCommon::AssignItemID(TqorRecentFileItem& /*item*/) {}

// ----------------------------------------------------------- TqorRecentFilePopupMenueHandler

TqorRecentFilePopupMenueHandler::TqorRecentFilePopupMenueHandler(QObject* AOwner)
    : TqorRecentFileMenueHandlerCommon(AOwner) {}

QMenu* TqorRecentFilePopupMenueHandler::PopupMenu() const { return FPopupMenu; }

void TqorRecentFilePopupMenueHandler::setPopupMenu(QMenu* value) {
  FPopupMenu = value;
  RebuildMenu();
}

void TqorRecentFilePopupMenueHandler::AssignItemID(TqorRecentFileItem& item) {
  if (item.ID() < FirstRandomID) item.setID(RandomItemID());
  while (RecentFiles().RetrieveItemIDExists(item.ID())) item.setID(RandomItemID());
}

int TqorRecentFilePopupMenueHandler::RandomItemID() {
  return QRandomGenerator::global()->bounded(FirstRandomID, RandomIDBound);
}

void TqorRecentFilePopupMenueHandler::RebuildMenu() {
  if (!FPopupMenu) return;
  // A click on an item can reopen its file and so rebuild this menu while the item is
  // still delivering its signal: own items are released later, not at once.
  for (QAction* action : FPopupMenu->actions()) {
    FPopupMenu->removeAction(action);
    if (action->parent() == FPopupMenu) action->deleteLater();
  }
  for (int i = 0; i < RecentFiles().Count(); ++i) {
    const TqorRecentFileItem& entry = At(RecentFiles(), i);
    auto* action = new QAction(entry.AsMenueCaption(), FPopupMenu);
    action->setData(entry.ID());
    connect(action, &QAction::triggered, this, [this, action] { MenuItemClick(action); });
    FPopupMenu->addAction(action);
  }
}
