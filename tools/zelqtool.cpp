#include <csignal>
#include <iostream>

#include "tools/QueueTool.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // Beyond a file size limit a write is to fail and be reported, not to end
  // the process in the middle of a pass.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  return RunQueueTool(argc, argv, std::cout, std::cerr);
}
