#pragma once
// What the web gateway needs of a database's web users: whether it has any, the check of a login
// and the restrictions of one user. The answers come through a source record, so the live
// web-user objects can answer once they exist; until a source is installed they are read from the
// "##WebUsers" record lines that the database keeps verbatim ("U" name and password, then "SB",
// "SG", "TF", "BI", "CL", "LG", "FR" for the user of the "U" line before them; a later user of the
// same name replaces an earlier one).
//
// User-interface thread only, like the database.
#include <cstdint>

#include "core/text_buffer.h"

class T_Base;

struct WebUserView {
  T_TextBuf name;
  bool singleSignOn = false;  // "SB": may be admitted by the web server's single sign-on
  T_TextBuf subset;           // "SG": combination text restricting the lines shown
  T_TextBuf templates;        // "TF": filter on the templates' paths
  bool baseInfo = false;      // "BI": may see the database information
  bool cards = false;         // "CL": may see cards
  int32_t language = -1;      // "LG"
  int32_t format = -1;        // "FR"
};

struct WebUserSource {
  bool (*hasUsers)(T_Base* base);
  // A user of that name exists and the password equals the given one, letter case ignored.
  bool (*check)(T_Base* base, const char* name, const char* password);
  // Fills the view of the user of that name (letter case ignored); false for none.
  bool (*find)(T_Base* base, const char* name, WebUserView* user);
};
// Null puts back the reading of the kept lines.
void SetWebUserSource(const WebUserSource* source);

bool WebUsersExist(T_Base* base);
bool WebUserLoginOk(T_Base* base, const char* name, const char* password);
bool FindWebUserView(T_Base* base, const char* name, WebUserView* user);
