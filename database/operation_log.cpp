#include "database/operation_log.h"

#include "database/base.h"

void LogOperation(T_Base*, const char*, const char*, int32_t) {}

void LogFile(T_Base* base, const char* path, int32_t code) {
  LogOperation(base, "file", path, code);
}

void LogLoadTime(T_Base*, const char*, int64_t, uint64_t) {}
