#include <iostream>

#include "tools/QueueTool.h"

int main(int argc, char** argv) { return RunQueueTool(argc, argv, std::cout, std::cerr); }
