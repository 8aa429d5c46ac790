#include "cli/run.h"

#include <iostream>

int main(int argc, char **argv) { return cli::run(argc, argv, std::cin, std::cout, std::cerr); }
