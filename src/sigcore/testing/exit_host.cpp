// A host that loads sigcore.dll from the path on its command line, has an engine bind the
// provider, and ends without giving anything back: the process exit is sigcore's to survive.
#include <cstdio>

#include "sigcore_host.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  sigcore::SigcoreLibrary library(argv[1]);
  if (!library.Loaded() || !library.Missing().empty()) return 3;
  const SigcoreEngine engine = library.api.GetCryptObj(0);
  int flag = 0;
  int size = sizeof flag;
  const int result = library.api.ExportObject(engine, 17, nullptr, 0, nullptr, &flag, &size);
  std::printf("%d\n", result);
  // Neither DoneEngine nor FreeLibrary: the process simply ends.
  std::fflush(stdout);
  ::ExitProcess(static_cast<UINT>(result == 0 ? 0 : 1));
}
