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

    std::istringstream in("0.5 2\n3"); // for VALUES given as -
    std::ostringstream out, err;
    // A small limit keeps each run short; the code paths are the same.
    const int status = cli::run(static_cast<int>(argv.size()), argv.data(), in, out, err, 1000);
    fuzz::require(status == 0 || status == 1 || status == 2);
    const std::string message = err.str();
    if (status == 2) {
        fuzz::require(out.str().empty());
        fuzz::require(message.ends_with(" --help\n"));
        fuzz::require(message.find("\nsee kalvenor-cli ") != std::string::npos);
    } else {
        // Only notes, one line each, such as the one on a decimal comma.
        for (std::size_t line = 0; line < message.size();) {
            fuzz::require(message.compare(line, 20, "kalvenor-cli: note: ") == 0);
            const std::size_t end = message.find('\n', line);
            fuzz::require(end != std::string::npos);
            line = end + 1;
        }
    }
    return 0;
}
