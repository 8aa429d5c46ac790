#include "cli/run.h"
#include "cli/values.h"

#include <iostream>

int main(int argc, char **argv)
{
    // Read directly, so that a read error is told from the end of the input.
    cli::FileInput input(0);
    std::istream in(&input);
    return cli::run(argc, argv, in, std::cout, std::cerr);
}
