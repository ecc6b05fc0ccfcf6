#pragma once
// The user and organisation the program runs for. Start-up fills it from the login
// information of the system; configuration storage takes its names from it.

#include "qorList.h"

#include <QString>

// The text of data that the system could not tell.
inline const QString NotAvailableText = QStringLiteral("[na]");

class TqorUserData : public TqorObject {
public:
  QString QORUserId;     // the login name
  QString QORUserName;   // the user's full name
  QString SysUser;       // the login name
  QString DBLogin;       // the login name
  QString DBUser;        // the login name
  QString Domain;        // the domain or workgroup
  QString CompanyToken;  // the client name of configuration storage
  QString CompanyName;
  QString DeptToken;  // the department name of configuration storage
  QString DeptName;
  int QORUserSID = 0;
  int DeptNumber = 0;

  // Copies all fields of Source.
  void Assign(const TqorUserData& Source) { *this = Source; }
  // CompanyToken + "/" + DeptToken + "/" + QORUserId.
  QString GetLoginInfo() const;
};

// Who runs the program on which computer, as the system tells it; NotAvailableText
// for what it cannot tell.
struct TqorSystemLoginInfo {
  QString LoginName;
  QString FullName;
  QString ComputerName;
  QString Domain;
};

// Asks the system: the login name and the full name of the account the process runs
// as (the full name is the first part of the account's comment field), the computer's
// host name and the domain it belongs to, when one is set.
TqorSystemLoginInfo GetSystemLoginInfo();
