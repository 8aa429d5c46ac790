// The command line on any argument vector: the input's bytes split at each
// zero byte. It ends with 0, 1 or 2, and a usage error is two lines.
#include "check.h"
#include "cli/run.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::vector<std::string> args {"kalvenor-cli"};
    std::string arg;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(arg);
            arg.clear();
        } else {
            arg.push_back(static_cast<char>(data[i]));
        }
    }
    if (size > 0)
        args.push_back(arg);
    std::vector<const char *> argv;
    for (const std::string &a : args)
        argv.push_back(a.c_str());

    std::ostringstream out, err;
    // A small limit keeps each run short; the code paths are the same.
    const int status = cli::run(static_cast<int>(argv.size()), argv.data(), out, err, 1000);
    fuzz::require(status == 0 || status == 1 || status == 2);
    const std::string message = err.str();
    if (status == 2) {
        fuzz::require(out.str().empty());
        fuzz::require(message.ends_with("\nsee kalvenor-cli --help\n"));
        fuzz::require(std::count(message.begin(), message.end(), '\n') == 2);
    } else {
        fuzz::require(message.empty());
    }
    return 0;
}
