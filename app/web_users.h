#pragma once
// What the web gateway needs of a database's web users: whether it has any, the check of a login
// and the restrictions of one user, read from the database's live web-user list.
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
  bool drilling = false;      // "BD": may drill down into the lines behind a value
  int32_t language = -1;      // "LG"
  int32_t format = -1;        // "FR"
};

bool WebUsersExist(T_Base* base);
bool WebUserLoginOk(T_Base* base, const char* name, const char* password);
bool FindWebUserView(T_Base* base, const char* name, WebUserView* user);
