// Stand-ins until each part lands; each part deletes its own stand-ins here.
#include "database/base.h"
#include "database/model_links.h"
#include "database/read_prompt.h"

void WebUserListOnChange(WebUserList*, const ChangeNote*) {}

int32_t AskReadError(T_Base*, AlertRequest*) { return kReadErrorContinue; }
int32_t AskReadErrorText(T_Base*, int32_t, const char*) { return kReadErrorContinue; }
