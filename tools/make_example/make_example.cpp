// Writes the example database into a folder: make_example <folder>. The build runs it under Wine
// (target example_files) to renew examples/; a test checks that it writes the committed bytes.
#include <cstdio>
#include <string>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/files.h"
#include "database/base.h"
#include "tools/make_example/example_database.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_example <folder>\n");
    return 2;
  }
  T_NoAlerts quiet;
  // The file layer splits Windows paths only.
  std::string folder = argv[1];
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  if (!CreateFolder(folder.c_str()) || !WriteExampleFiles(folder.c_str())) {
    std::fprintf(stderr, "make_example: writing into %s failed (message %d)\n", folder.c_str(),
                 PendingError.request.message);
    return 1;
  }
  T_Base* example = BuildExampleDatabase();
  const ExampleCounts counts = CountExample(example);
  std::printf("%d dimensions, %lld components, %lld cards, %lld lines; Belopp %.2f, Antal %.0f\n",
              counts.dimensions, static_cast<long long>(counts.components),
              static_cast<long long>(counts.cards), static_cast<long long>(counts.lines),
              counts.amount, counts.quantity);
  delete example;
  return 0;
}
